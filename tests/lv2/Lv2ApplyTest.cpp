// lv2apply (Debian's lilv-utils) as an independent host: it processes a WAV file through the
// build-tree bundle, and the result equals orvane-render's for the same settings. lv2apply
// runs the plug-in one frame at a time, so the renderer is asked for blocks of one frame too.

#include "lv2/OrvaneLv2Ports.h"

#include "engine/ParameterTable.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

struct Setting {
    const char* name;
    float normalised;
};

int indexOf(const char* name)
{
    for (int i = 0; i < kAutomatableCount; ++i)
        if (std::strcmp(parameterInfo(i).name, name) == 0) return i;
    return -1;
}

bool writeInput(const std::string& path, int frames)
{
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    std::vector<float> data(2 * static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const float t = static_cast<float>(i);
        data[2 * i] = 0.4f * std::sin(0.05f * t) + 0.1f * std::sin(0.31f * t);
        data[2 * i + 1] = 0.4f * std::sin(0.031f * t) * (i % 4800 < 2400 ? 1.0f : 0.3f);
    }
    sf_writef_float(file, data.data(), frames);
    sf_close(file);
    return true;
}

std::vector<float> readOutput(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    std::vector<float> data(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    sf_readf_float(file, data.data(), info.frames);
    sf_close(file);
    return data;
}

std::string preloadPrefix()
{
    const std::string preload = ORVANE_SANITIZER_PRELOAD;
    return preload.empty() ? "" : "LD_PRELOAD=" + preload + " ASAN_OPTIONS=detect_leaks=0 ";
}

TEST(Lv2Apply, ResultEqualsTheRenderer)
{
    if (std::strlen(ORVANE_LV2APPLY) == 0 || !fs::exists(ORVANE_LV2APPLY))
        GTEST_SKIP() << "lv2apply is not installed";

    const fs::path dir = fs::path(ORVANE_BINARY_DIR) / "test-home" / "lv2apply";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string input = (dir / "input.wav").string();
    ASSERT_TRUE(writeInput(input, 24000));

    const std::vector<std::vector<Setting>> cases = {
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

    const std::vector<std::string> symbols = OrvaneLv2Ports::controlSymbols();
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(testing::Message() << "case " << c);
        const std::string viaPlugin = (dir / ("lv2apply-" + std::to_string(c) + ".wav")).string();
        const std::string viaRenderer = (dir / ("render-" + std::to_string(c) + ".wav")).string();
        std::string apply = preloadPrefix() + "LV2_PATH=" + ORVANE_BINARY_DIR + "/lv2 " + ORVANE_LV2APPLY;
        std::string render = std::string(ORVANE_RENDER) + " --quiet --block 1";
        for (const Setting& s : cases[c]) {
            const int index = indexOf(s.name);
            ASSERT_GE(index, 0) << s.name;
            char value[32];
            std::snprintf(value, sizeof value, "%.9g",
                          static_cast<double>(OrvaneLv2Ports::valueMapOf(index).toHost(s.normalised)));
            apply += " -c " + symbols[static_cast<size_t>(index)] + " " + value;
            std::snprintf(value, sizeof value, "%.9g", static_cast<double>(s.normalised));
            render += std::string(" --set ") + s.name + "=" + value;
        }
        apply += " -i " + input + " -o " + viaPlugin + " urn:tirsk-audio:orvane 2>/dev/null";
        render += " " + input + " " + viaRenderer;
        ASSERT_EQ(std::system(apply.c_str()), 0) << apply;
        ASSERT_EQ(std::system(render.c_str()), 0) << render;

        const std::vector<float> a = readOutput(viaPlugin), b = readOutput(viaRenderer);
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
