// lv2apply (Debian's lilv-utils) as an independent host: it processes a WAV file through the
// build-tree bundle, and the result equals orvane-render's for the same settings. lv2apply
// runs the plug-in one frame at a time, so the renderer is asked for blocks of one frame too.

#include "lv2/OrvaneLv2Ports.h"

#include "engine/ParameterTable.h"

#include <gtest/gtest.h>
#include <sndfile.hh>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// Every digit a float needs, so that the value read back is the same float.
std::string exact(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::vector<float> readAll(const std::string& path)
{
    SndfileHandle file(path);
    std::vector<float> data(static_cast<size_t>(file.frames() * file.channels()));
    file.readf(data.data(), file.frames());
    return data;
}

TEST(Lv2Apply, ResultEqualsTheRenderer)
{
    if (std::strlen(ORVANE_LV2APPLY) == 0 || !fs::exists(ORVANE_LV2APPLY))
        GTEST_SKIP() << "lv2apply is not installed";

    const fs::path dir = fs::path(ORVANE_BINARY_DIR) / "test-home" / "lv2apply";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string input = (dir / "input.wav").string();
    std::vector<float> signal(2 * 24000);
    for (size_t i = 0; i < 24000; ++i) {
        const float t = static_cast<float>(i);
        signal[2 * i] = 0.4f * std::sin(0.05f * t) + 0.1f * std::sin(0.31f * t);
        signal[2 * i + 1] = 0.4f * std::sin(0.031f * t) * (i % 4800 < 2400 ? 1.0f : 0.3f);
    }
    SndfileHandle(input, SFM_WRITE, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000).writef(signal.data(), 24000);

    using Settings = std::vector<std::pair<const char*, float>>;
    const Settings cases[] = {
        {},
        {{"TranceGateOn", 1},     {"SeqPat1TGateOn", 1},  {"Seq1Step1Vol", 1},    {"Seq1Step3Vol", 0.6f},
         {"Seq1Step6Vol", 1},     {"SeqLength", 0.75f},   {"PanOn", 1},           {"PanShape", 0.01f},
         {"PanRateSync", 0},      {"MmFilterOn", 1},      {"MmFilterType", 0.2f}, {"MmFilterCutoff", 0.4f},
         {"MmFilterRes", 0.3f},   {"DistOn", 1},          {"DistXcita", 0.5f},    {"DistSoftSat", 0.3f},
         {"FlangerOn", 1},        {"FlangerDelay", 0.3f}, {"DelayOn", 1},         {"DelayMix", 0.5f},
         {"DelayFeedback", 0.4f}, {"ReverbOn", 1},        {"ReverbMix", 0.4f},    {"MasterVolume", 0.7f}},
        {{"MmFilterOn", 1},
         {"MmFilterType", 0.33f},
         {"MmFilterCutoff", 0.55f},
         {"CutoffModOn", 1},
         {"CutoffModShape", 0.02f},
         {"CutoffModRateSync", 0},
         {"MasterMix", 0.8f}}};

    // A plug-in module built with the sanitizers needs their run-times preloaded into lv2apply.
    const std::string preload = ORVANE_SANITIZER_PRELOAD;
    const std::vector<std::string> symbols = OrvaneLv2Ports::controlSymbols();
    for (size_t c = 0; c < std::size(cases); ++c) {
        SCOPED_TRACE(testing::Message() << "case " << c);
        const std::string viaPlugin = (dir / ("lv2apply-" + std::to_string(c) + ".wav")).string();
        const std::string viaRenderer = (dir / ("render-" + std::to_string(c) + ".wav")).string();
        std::string apply =
            (preload.empty() ? "" : "LD_PRELOAD=" + preload + " ASAN_OPTIONS=detect_leaks=0 ") +
            "LV2_PATH=" + ORVANE_LV2_PATH + " " + ORVANE_LV2APPLY;
        std::string render = std::string(ORVANE_RENDER) + " --quiet --block 1";
        for (const auto& [name, normalised] : cases[c]) {
            int index = 0;
            while (index < kAutomatableCount && std::strcmp(parameterInfo(index).name, name) != 0)
                ++index;
            ASSERT_LT(index, kAutomatableCount) << name;
            const float port = OrvaneLv2Ports::valueMapOf(index).toHost(normalised);
            apply += " -c " + symbols[static_cast<size_t>(index)] + " " + exact(port);
            render += std::string(" --set ") + name + "=" + exact(normalised);
        }
        apply += " -i " + input + " -o " + viaPlugin + " urn:tirsk-audio:orvane 2>/dev/null";
        render += " " + input + " " + viaRenderer;
        ASSERT_EQ(std::system(apply.c_str()), 0) << apply;
        ASSERT_EQ(std::system(render.c_str()), 0) << render;

        const std::vector<float> a = readAll(viaPlugin), b = readAll(viaRenderer);
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
