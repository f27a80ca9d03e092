// A value that is not finite in any section's state never reaches the host and never stays:
// the section is cleared and sound comes back within a block.
#include "EngineRig.h"

#include <functional>
#include <limits>
#include <random>

namespace
{

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Root mean square; NaN when any sample is not finite.
float rmsOf(const std::vector<float>& v)
{
    double sum = 0.0;
    for (float x : v)
        sum += std::isfinite(x) ? static_cast<double>(x) * x : NAN;
    return static_cast<float>(std::sqrt(sum / static_cast<double>(v.size())));
}

} // namespace

TEST(NonFiniteRecovery, EverySectionIsClearedAndSoundResumesWithinABlock)
{
    const struct {
        const char* section;
        Settings settings;
        std::function<void(Orvane&)> poison;
    } cases[] = {
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
    // For two seconds (beyond the longest echo period, 0.5 s) every block must be finite and, from
    // the one after the fault (which lost the cleared sub-block), keep half the level of a twin
    // engine that never had the fault: a section that stayed poisoned would be silenced.
    constexpr int kBlock = 512, kBlocksAfter = 2 * 48000 / kBlock;
    const Settings echoes = {
        {"DelayOn", 1}, {"DelayMix", 0.5f}, {"DelayFeedback", 0.5f}, {"ReverbOn", 1}, {"ReverbMix", 0.5f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section);
        EngineRig poisoned(echoes), twin(echoes);
        poisoned.apply(c.settings);
        twin.apply(c.settings);
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> dist(-0.25f, 0.25f);
        std::vector<float> inL(kBlock), inR(kBlock), l(kBlock), r(kBlock), twinL(kBlock), twinR(kBlock);
        for (int b = -8; b < kBlocksAfter; ++b) {
            if (b == 0) c.poison(*poisoned.o);
            for (int i = 0; i < kBlock; ++i)
                inL[i] = dist(rng), inR[i] = dist(rng);
            poisoned.o->process(inL.data(), inR.data(), l.data(), r.data(), kBlock, true);
            twin.o->process(inL.data(), inR.data(), twinL.data(), twinR.data(), kBlock, true);
            if (b < 0) continue;
            ASSERT_FALSE(std::isnan(rmsOf(l)) || std::isnan(rmsOf(r))) << "block " << b;
            if (b == 0) continue;
            ASSERT_GT(rmsOf(l), 0.5f * rmsOf(twinL)) << "block " << b;
            ASSERT_GT(rmsOf(r), 0.5f * rmsOf(twinR)) << "block " << b;
        }
    }
}
