// lv2apply (Debian's lilv-utils) as an independent host: it processes a WAV file through the
// build-tree bundle, and the result equals orvane-render's for the same settings. lv2apply
// runs the plug-in one frame at a time, so the renderer is asked for blocks of one frame too.
#include "../tools/RenderToolSupport.h"
#include "lv2/OrvaneLv2Ports.h"

#include "engine/ParameterTable.h"

#include <sstream>

namespace
{

// Every digit a float needs, so that the value read back is the same float.
std::string exact(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

TEST(Lv2Apply, ResultEqualsTheRenderer)
{
    if (std::strlen(ORVANE_LV2APPLY) == 0 || !fs::exists(ORVANE_LV2APPLY))
        GTEST_SKIP() << "lv2apply is not installed";
    const fs::path dir = workDir(), input = dir / "input.wav";
    std::vector<float> signal(2 * 24000);
    for (size_t i = 0; i < 24000; ++i) {
        const float t = static_cast<float>(i);
        signal[2 * i] = 0.4f * std::sin(0.05f * t) + 0.1f * std::sin(0.31f * t);
        signal[2 * i + 1] = 0.4f * std::sin(0.031f * t) * (i % 4800 < 2400 ? 1.0f : 0.3f);
    }
    writeWav(input, 2, 48000, signal, true);

    // Normalised parameter values.
    const char* cases[] = {
        "",
        "TranceGateOn=1 SeqPat1TGateOn=1 Seq1Step1Vol=1 Seq1Step3Vol=0.6 Seq1Step6Vol=1 SeqLength=0.75 "
        "PanOn=1 "
        "PanShape=0.01 PanRateSync=0 MmFilterOn=1 MmFilterType=0.2 MmFilterCutoff=0.4 MmFilterRes=0.3 "
        "DistOn=1 "
        "DistXcita=0.5 DistSoftSat=0.3 FlangerOn=1 FlangerDelay=0.3 DelayOn=1 DelayMix=0.5 DelayFeedback=0.4 "
        "ReverbOn=1 ReverbMix=0.4 MasterVolume=0.7",
        "MmFilterOn=1 MmFilterType=0.33 MmFilterCutoff=0.55 CutoffModOn=1 CutoffModShape=0.02 "
        "CutoffModRateSync=0 MasterMix=0.8",
    };
    // A plug-in module built with the sanitizers needs their run-times preloaded into lv2apply.
    const std::string preload = ORVANE_SANITIZER_PRELOAD;
    const std::vector<std::string> symbols = OrvaneLv2Ports::controlSymbols();
    for (size_t c = 0; c < std::size(cases); ++c) {
        SCOPED_TRACE(cases[c]);
        const fs::path viaPlugin = dir / ("lv2apply-" + std::to_string(c) + ".wav"),
                       viaRenderer = dir / ("render-" + std::to_string(c) + ".wav");
        std::string apply =
            (preload.empty() ? "" : "LD_PRELOAD=" + preload + " ASAN_OPTIONS=detect_leaks=0 ") +
            "LV2_PATH=" + ORVANE_LV2_PATH + " " + ORVANE_LV2APPLY;
        std::string render = "--quiet --block 1";
        std::istringstream settings(cases[c]);
        for (std::string word; settings >> word;) {
            const std::string name = word.substr(0, word.find('='));
            const float normalised = std::stof(word.substr(name.size() + 1));
            int index = 0;
            while (index < kAutomatableCount && name != parameterInfo(index).name)
                ++index;
            ASSERT_LT(index, kAutomatableCount) << name;
            apply += " -c " + symbols[static_cast<size_t>(index)] + " " +
                     exact(OrvaneLv2Ports::valueMapOf(index).toHost(normalised));
            render += " --set " + name + "=" + exact(normalised);
        }
        apply += " -i " + quoted(input) + " -o " + quoted(viaPlugin) + " urn:tirsk-audio:orvane";
        ASSERT_EQ(runCommand(apply).status, 0) << apply;
        ASSERT_EQ(run(render + " " + quoted(input) + " " + quoted(viaRenderer)).status, 0) << render;

        const std::vector<float> a = readWav(viaPlugin).samples, b = readWav(viaRenderer).samples;
        ASSERT_EQ(a.size(), 48000u);
        ASSERT_EQ(a.size(), b.size());
        float worst = 0.0f, loudest = 0.0f;
        for (size_t i = 0; i < a.size(); ++i) {
            worst = std::max(worst, std::fabs(a[i] - b[i]));
            loudest = std::max(loudest, std::fabs(a[i]));
        }
        EXPECT_LT(worst, 1e-5f);
        EXPECT_GT(loudest, 0.01f);
    }
}

} // namespace
