#include "Render.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace render
{

namespace
{

constexpr double kDemoRate = 48000.0;
constexpr double kDemoSeconds = 8.0;
constexpr double kPi = 3.14159265358979323846;

double noteHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Small deterministic noise source for the percussion.
struct Noise {
    std::uint32_t state = 0x2545F491u;
    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<std::int32_t>(state)) / 2147483648.0f;
    }
};

} // namespace

std::vector<Setting> demoSettings(const Orvane& engine)
{
    // A gated, filtered and echoed setting: every section that shapes rhythm or space.
    std::vector<std::pair<const char*, float>> named = {
        {"TranceGateOn", 1.0f},    {"SeqPat1TGateOn", 1.0f},
        {"SeqLength", 0.75f},      {"SeqAttack", 0.05f},
        {"SeqSustain", 0.35f},     {"SeqDecay", 0.4f},
        {"PanOn", 1.0f},           {"PanSource", 0.0f},
        {"PanShape", 0.0f},        {"PanDepth", 0.6f},
        {"PanRateSync", 1.0f},     {"PanRate", 0.591f},
        {"MmFilterOn", 1.0f},      {"MmFilterType", 0.20f},
        {"MmFilterCutoff", 0.55f}, {"MmFilterRes", 0.45f},
        {"MmFilterMix", 1.0f},     {"CutoffModOn", 1.0f},
        {"CutoffModSource", 0.0f}, {"CutoffModShape", 0.0f},
        {"CutoffModDepth", 0.35f}, {"CutoffModRateSync", 1.0f},
        {"CutoffModRate", 0.409f}, {"DistOn", 1.0f},
        {"DistXcita", 0.3f},       {"DistSoftSat", 0.2f},
        {"DelayOn", 1.0f},         {"DelayMix", 0.3f},
        {"DelayFeedback", 0.4f},   {"DelayRateSync", 1.0f},
        {"DelayLRate", 0.595f},    {"DelayRRate", 0.5f},
        {"DelayCutoff", 0.6f},     {"ReverbOn", 1.0f},
        {"ReverbMix", 0.3f},       {"ReverbSize", 0.6f},
    };
    // Gate pattern 1: a syncopated sixteenth figure with accents.
    const float steps[16] = {1.0f, 0.0f, 0.7f, 1.0f, 1.0f, 0.0f, 0.7f, 0.0f,
                             1.0f, 0.0f, 0.7f, 1.0f, 1.0f, 0.7f, 0.0f, 1.0f};
    std::vector<Setting> settings;
    for (const auto& [name, value] : named) {
        const int index = engine.parameterIndex(name);
        if (index >= 0) settings.push_back({index, value});
    }
    for (int s = 0; s < 16; ++s) {
        char name[32];
        std::snprintf(name, sizeof name, "Seq1Step%dVol", s + 1);
        const int index = engine.parameterIndex(name);
        if (index >= 0) settings.push_back({index, steps[s]});
    }
    return settings;
}

void synthesiseDemo(double tempo, std::vector<float>& left, std::vector<float>& right)
{
    const std::size_t frames = static_cast<std::size_t>(kDemoRate * kDemoSeconds);
    left.assign(frames, 0.0f);
    right.assign(frames, 0.0f);
    const double beat = 60.0 / (tempo > 0.0 && std::isfinite(tempo) ? tempo : 120.0);

    // A minor, F major, C major, G major, one bar each, repeating.
    const int chords[4][4] = {{45, 57, 60, 64}, {41, 57, 60, 65}, {48, 55, 60, 64}, {43, 55, 59, 62}};
    double phases[4][2] = {};
    float lowL = 0.0f, lowR = 0.0f;
    Noise noise;
    float hatState = 0.0f;

    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kDemoRate;
        const double beats = t / beat;
        const int bar = static_cast<int>(beats / 4.0) % 4;
        const double inBar = std::fmod(beats, 4.0) * beat; // seconds since the bar began

        // Chords: slightly detuned saws, the bass note centred, a soft attack per bar.
        const double env = std::min(1.0, inBar / 0.03) * (0.6 + 0.4 * std::exp(-inBar * 1.5));
        float padL = 0.0f, padR = 0.0f;
        for (int v = 0; v < 4; ++v) {
            const double hz = noteHz(chords[bar][v]);
            for (int d = 0; d < 2; ++d) {
                phases[v][d] += hz * (d ? 1.004 : 0.996) / kDemoRate;
                phases[v][d] -= std::floor(phases[v][d]);
                const float saw = static_cast<float>(2.0 * phases[v][d] - 1.0);
                const float gain = v == 0 ? 0.11f : 0.06f;
                (d ? padR : padL) += saw * gain;
            }
        }
        // A gentle low-pass keeps the pad warm.
        lowL += 0.12f * (padL - lowL);
        lowR += 0.12f * (padR - lowR);
        float l = lowL * static_cast<float>(env);
        float r = lowR * static_cast<float>(env);

        // Kick on every beat: a falling sine with a fast decay.
        const double sinceBeat = std::fmod(beats, 1.0) * beat;
        const double kickHz = 45.0 + 80.0 * std::exp(-sinceBeat * 30.0);
        const float kick =
            static_cast<float>(std::sin(2.0 * kPi * kickHz * sinceBeat) * std::exp(-sinceBeat * 9.0) * 0.5);
        l += kick;
        r += kick;

        // Snare on beats 2 and 4: noise and a short tone.
        const int beatInBar = static_cast<int>(std::fmod(beats, 4.0));
        const float n = noise.next();
        if (beatInBar == 1 || beatInBar == 3) {
            const double e = std::exp(-sinceBeat * 18.0);
            const float snare =
                static_cast<float>((n * 0.25 + std::sin(2.0 * kPi * 190.0 * sinceBeat) * 0.12) * e);
            l += snare * 0.9f;
            r += snare;
        }
        // Hats on the off-beat eighths, a little to the right.
        const double sinceEighth = std::fmod(beats * 2.0, 1.0) * beat * 0.5;
        const bool offBeat = static_cast<int>(beats * 2.0) % 2 == 1;
        const float high = n - hatState;
        hatState = n;
        if (offBeat) {
            const float hat = static_cast<float>(high * 0.08 * std::exp(-sinceEighth * 60.0));
            l += hat * 0.6f;
            r += hat;
        }
        left[i] = l;
        right[i] = r;
    }
}

} // namespace render
