// A value that is not finite in any section's state never reaches the host and never stays:
// the section is cleared and sound comes back within a block.
#include "EngineRig.h"

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace
{

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int kBlock = 512;

bool allFinite(const std::vector<float>& v)
{
    for (float x : v)
        if (!std::isfinite(x)) return false;
    return true;
}

float rmsOf(const std::vector<float>& v)
{
    double sum = 0.0;
    for (float x : v)
        sum += static_cast<double>(x) * x;
    return static_cast<float>(std::sqrt(sum / static_cast<double>(v.size())));
}

} // namespace

TEST(NonFiniteRecovery, EverySectionIsClearedAndSoundResumesWithinABlock)
{
    struct Case {
        const char* section;
        std::vector<std::pair<const char*, float>> settings;
        std::function<void(Orvane&)> poison;
    };
    const Case cases[] = {
        // "CombP": its line holds every sample for a whole period and feeds it back.
        {"filter",
         {{"MmFilterOn", 1}, {"MmFilterType", 0.08f}, {"MmFilterCutoff", 0.5f}, {"MmFilterRes", 0.5f}},
         [](Orvane& o) {
             std::fill_n(o.filter.combL.line.buffer.get(), o.filter.combL.line.capacity, kNaN);
             o.filter.combR.line.dcY1 = kInf;
         }},
        {"exciter",
         {{"DistOn", 1}, {"DistXcita", 0.8f}},
         [](Orvane& o) {
             o.exciter.highPassL.y1 = kNaN;
             o.exciter.follower.value = kInf;
         }},
        {"flanger",
         {{"FlangerOn", 1}, {"FlangerFeedback", 0.5f}},
         [](Orvane& o) { std::fill_n(o.flanger.buffer.get(), o.flanger.capacity, kNaN); }},
        // The delay's filters feed the line: the value surfaces one echo period later.
        {"delay",
         {},
         [](Orvane& o) {
             o.delay.lowPassL.y1 = kNaN;
             o.delay.highPassR.y1 = -kInf;
         }},
        {"reverb comb", {}, [](Orvane& o) { o.reverb.combL[3].store = kNaN; }},
        // The reverb's high-pass histories survive its ordinary reset.
        {"reverb high-pass", {}, [](Orvane& o) { o.reverb.highPassR.y2 = kNaN; }},
    };
    // Two seconds cover the longest echo period here (a quarter note at 120 bpm, 0.5 s). Every
    // block after the fault is compared with a twin engine that never had one: the block must
    // be finite and, from the block after the fault on, keep at least half the twin's level, which it cannot if the section stays
    // poisoned (its output would then be silenced block after block).
    constexpr int kBlocksAfter = 2 * 48000 / kBlock;
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<EngineRig>> rigs;
        for (int k = 0; k < 2; ++k) {
            rigs.push_back(std::make_unique<EngineRig>(
                std::initializer_list<std::pair<const char*, float>>{{"DelayOn", 1},
                                                                     {"DelayMix", 0.5f},
                                                                     {"DelayFeedback", 0.5f},
                                                                     {"ReverbOn", 1},
                                                                     {"ReverbMix", 0.5f}}));
            for (const auto& [name, value] : c.settings)
                rigs.back()->set(name, value);
            rigs.back()->engine.resume();
        }
        Orvane& poisoned = rigs[0]->engine;
        Orvane& twin = rigs[1]->engine;
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> dist(-0.25f, 0.25f);
        std::vector<float> inL(kBlock), inR(kBlock);
        std::vector<float> l(kBlock), r(kBlock), twinL(kBlock), twinR(kBlock);
        auto block = [&] {
            for (int i = 0; i < kBlock; ++i) {
                inL[i] = dist(rng);
                inR[i] = dist(rng);
            }
            poisoned.process(inL.data(), inR.data(), l.data(), r.data(), kBlock, true);
            twin.process(inL.data(), inR.data(), twinL.data(), twinR.data(), kBlock, true);
        };
        for (int b = 0; b < 8; ++b)
            block();
        c.poison(poisoned);
        for (int b = 0; b < kBlocksAfter; ++b) {
            block();
            ASSERT_TRUE(allFinite(l) && allFinite(r)) << c.section << ", block " << b;
            // The block that met the fault lost the sub-block that was cleared; from the next
            // block on the section sounds again.
            if (b == 0) continue;
            ASSERT_GT(rmsOf(l), 0.5f * rmsOf(twinL)) << c.section << ", block " << b;
            ASSERT_GT(rmsOf(r), 0.5f * rmsOf(twinR)) << c.section << ", block " << b;
        }
    }
}
