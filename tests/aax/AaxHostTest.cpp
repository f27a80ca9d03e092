// The module as a host sees it, through the host simulator orvane-aax-host.
#include "AaxTestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace aaxtest;

namespace
{

// One parameter line of `params`: {"id": ..., "name": ..., ...}.
struct ParamLine {
    std::string id, name, text;
    bool automatable;
};

std::string field(const std::string& line, const std::string& key)
{
    const size_t at = line.find("\"" + key + "\": ");
    if (at == std::string::npos) return {};
    size_t start = at + key.size() + 4;
    if (line[start] == '"') return line.substr(start + 1, line.find('"', start + 1) - start - 1);
    return line.substr(start, line.find_first_of(",}", start) - start);
}

std::vector<ParamLine> paramLines(const std::string& out)
{
    std::vector<ParamLine> lines;
    size_t at = 0;
    while ((at = out.find("{\"id\"", at)) != std::string::npos) {
        const std::string line = out.substr(at, out.find('}', at) - at + 1);
        lines.push_back({field(line, "id"), field(line, "name"), field(line, "text"),
                         field(line, "automatable") == "true"});
        at += line.size();
    }
    return lines;
}

// Indices of the plug-in parameters this file looks at.
constexpr int kChain1 = 51, kChainStride = 33, kFilterChain1 = 315, kGateChain1 = 331;

} // namespace

TEST(AaxHost, DescribesTheModule)
{
    const Result r = host({"describe"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* expected :
         {"\"sdkVersion\": \"0x2000061125C\"", "\"manufacturer\": \"Tirsk Audio\"",
          "\"packages\": [\"Orvane\"]", "\"packageVersion\": 1", "\"name\": \"Orvane\", \"category\": 8192",
          ".aax.Orvane\"",
          "\"pluginId\": \"KsRS\", \"manufacturerId\": \"TirA\", \"productId\": \"KsOr\", \"inputStem\": "
          "65538, "
          "\"outputStem\": 65538, \"bypassAllowed\": true",
          "\"pluginId\": \"KsRM\", \"manufacturerId\": \"TirA\", \"productId\": \"KsOr\", \"inputStem\": 1, "
          "\"outputStem\": 1",
          "\"midiInput\": {\"name\": \"Orvane\", \"channelMask\": 1}",
          "\"globalMidi\": {\"name\": \"GlobalMIDI\", \"eventMask\": 3}, \"transport\": true",
          "[\"ACFRegisterPlugin\", \"ACFRegisterComponent\", \"ACFGetClassFactory\", \"ACFCanUnloadNow\", "
          "\"ACFStartup\", \"ACFShutdown\", \"ACFGetSDKVersion\"]"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected;
}

TEST(AaxHost, ListsOneParameterPerPluginParameterWithUniqueIdentifiers)
{
    for (const char* stem : {"stereo", "mono"}) {
        const Result r = host({"params", "--stem", stem});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::vector<ParamLine> params = paramLines(r.out);
        ASSERT_EQ(params.size(), 367u);
        EXPECT_EQ(params[0].id, "MasterBypassID");
        EXPECT_EQ(params[0].name, "Master Bypass");
        EXPECT_EQ(params[0].text, "bypass");
        std::set<std::string> ids;
        for (size_t i = 1; i < params.size(); ++i) {
            const int index = static_cast<int>(i) - 1;
            ids.insert(params[i].id);
            // Automatable below 344 only.
            EXPECT_EQ(params[i].automatable, index < 344) << params[i].id;
            const bool chain = (index - kChain1) % kChainStride == 0 && index >= kChain1 &&
                               index < kChain1 + 8 * kChainStride;
            if (chain)
                EXPECT_EQ(params[i].id, "Chain" + std::to_string((index - kChain1) / kChainStride + 1));
            else
                EXPECT_EQ(params[i].id, params[i].name);
        }
        EXPECT_EQ(ids.size(), 366u) << "every plug-in parameter has an identifier of its own";
        EXPECT_EQ(params[1 + kChain1 + 7 * kChainStride].name, "Chain");
    }
}

TEST(AaxHost, RefusesBadInput)
{
    const std::string in = writeTestInput("refuse.wav", 48000, 2, 0.05);
    const std::string out = scratch("refused.wav");
    const std::string garbage = scratch("garbage.chunk");
    std::ofstream(garbage) << "not a chunk";
    struct Case {
        std::vector<std::string> args;
        bool withModule;
        int status;
        const char* message;
    } cases[] = {
        {{"render", in, out, "--set", "NoSuchParameter=0.5"},
         true,
         2,
         "AAX_ERROR_INVALID_PARAMETER_ID (-20001)"},
        {{"render", in, out, "--set", "DistXcita=1.5"}, true, 2, "0 to 1"},
        {{"render", in, out, "--stopped", "--tempo", "90"}, true, 2, "--stopped"},
        {{"render", in, out, "--stopped", "--position", "4"}, true, 2, "--stopped"},
        {{"render", in, out, "--midi", "10:144:60"}, true, 2, "FRAME:B0:B1:B2"},
        {{"render", in, out, "--midi", "10:144:300:1"}, true, 2, "--midi byte"},
        {{"render", in, out, "--chunk-load", garbage}, true, 2, "AAX_ERROR_MALFORMED_CHUNK"},
        {{"render", scratch("missing.wav"), out}, true, 2, "cannot read input"},
        {{"params", "--bypass"}, true, 2, "no files and no render options"},
        {{"frobnicate"}, true, 2, "unknown command"},
        {{scratch("no-such-module.aaxplugin"), "describe"}, false, 1, "cannot load module"},
        {{"/lib/x86_64-linux-gnu/libz.so.1", "describe"}, false, 1, "no entry point ACFRegisterPlugin"},
    };
    for (const Case& c : cases) {
        const Result r = c.withModule ? host(c.args) : run(ORVANE_AAX_HOST, c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(AaxHost, BypassGivesTheInputExactly)
{
    for (const char* stem : {"stereo", "mono"}) {
        const std::string in =
            writeTestInput(std::string("bypass-") + stem + ".wav", 48000, stem[0] == 'm' ? 1 : 2, 0.3);
        const std::string out = scratch("bypassed.wav");
        const Result r =
            host({"render", in, out, "--stem", stem, "--bypass", "--set", "DistXcita=1", "--block", "300"});
        ASSERT_EQ(r.status, 0) << r.err;
        const Audio a = readWav(in), b = readWav(out);
        ASSERT_EQ(a.samples.size(), b.samples.size());
        EXPECT_EQ(a.samples, b.samples) << stem;
    }
}

TEST(AaxHost, MonoStemRunsTheSingleBufferOnBothSides)
{
    // A mono instance hands the plug-in its one buffer as both inputs and both outputs, so the
    // plug-in writes its right output last: the mono result is the right channel of a stereo
    // instance given that signal on both sides.
    const std::string in = writeTestInput("mono-in.wav", 48000, 1, 0.5);
    const std::string monoOut = scratch("mono-out.wav"), stereoOut = scratch("stereo-out.wav");
    const std::vector<std::string> state{"--set", "DelayOn=1", "--set", "PanOn=1", "--set", "PanDepth=1"};
    std::vector<std::string> mono{"render", in, monoOut, "--stem", "mono"}, stereo{"render", in, stereoOut};
    mono.insert(mono.end(), state.begin(), state.end());
    stereo.insert(stereo.end(), state.begin(), state.end());
    ASSERT_EQ(host(mono).status, 0);
    ASSERT_EQ(host(stereo).status, 0);
    const Audio m = readWav(monoOut), s = readWav(stereoOut);
    ASSERT_EQ(m.channels, 1);
    ASSERT_EQ(m.frames(), s.frames());
    double leftDiffers = 0.0;
    for (long i = 0; i < m.frames(); ++i) {
        ASSERT_EQ(m.at(i, 0), s.at(i, 1)) << "frame " << i;
        leftDiffers = std::max(leftDiffers, std::fabs(double(s.at(i, 0)) - s.at(i, 1)));
    }
    EXPECT_GT(leftDiffers, 1e-3)
        << "the two sides of the stereo render must differ for the test to tell them apart";
}

TEST(AaxHost, RenderAtTheHostRateSoundsLikeTheEngineAtThatRate)
{
    for (int rate : {48000, 96000}) {
        const std::string in = writeTestInput("rate-" + std::to_string(rate) + ".wav", rate, 2, 1.0);
        const std::string aax = scratch("rate-aax.wav"), ref = scratch("rate-ref.wav");
        const std::vector<std::string> sets{"--set",      "DelayOn=1", "--set",
                                            "ReverbOn=1", "--set",     "FlangerOn=1"};
        std::vector<std::string> a{"render", in, aax}, b{"--quiet", "--program", "0"};
        a.insert(a.end(), sets.begin(), sets.end());
        b.insert(b.end(), sets.begin(), sets.end());
        b.push_back(in);
        b.push_back(ref);
        ASSERT_EQ(host(a).status, 0);
        const Result r = run(ORVANE_RENDER, b);
        ASSERT_EQ(r.status, 0) << r.err;
        const Audio x = readWav(aax), y = readWav(ref);
        ASSERT_EQ(x.rate, rate);
        ASSERT_EQ(x.samples.size(), y.samples.size());
        // Set-up glides may differ during the first 100 ms.
        double worst = 0.0;
        for (size_t i = static_cast<size_t>(rate / 10) * 2; i < x.samples.size(); ++i)
            worst = std::max(worst, std::fabs(double(x.samples[i]) - y.samples[i]));
        EXPECT_LE(worst, 1e-6) << rate;
    }
}

TEST(AaxHost, ChunkRestoresEveryParameter)
{
    const std::string in = writeTestInput("chunk.wav", 48000, 2, 0.1);
    const std::string chunk = scratch("state.chunk"), out = scratch("chunk-out.wav");
    std::vector<std::string> save{
        "render", in, out, "--chunk-save", chunk, "--set", "DistXcita=0.25", "--set", "MmFilterType=0.07"};
    for (int p = 0; p < 8; ++p) {
        save.push_back("--set");
        save.push_back("Chain" + std::to_string(p + 1) + "=0.0" + std::to_string(p + 1));
    }
    ASSERT_EQ(host(save).status, 0);
    const Result restored = host({"render", in, out, "--chunk-load", chunk, "--print-params"});
    ASSERT_EQ(restored.status, 0) << restored.err;
    const auto params = jsonObject(restored.out, "params");
    const std::vector<double> vst = jsonArray(restored.out, "vst");
    ASSERT_EQ(vst.size(), 366u);
    ASSERT_EQ(params.size(), 367u);
    for (int p = 0; p < 8; ++p) {
        const double expected = 0.01 * (p + 1);
        EXPECT_NEAR(params.at("Chain" + std::to_string(p + 1)), expected, 1e-6);
        EXPECT_NEAR(vst[static_cast<size_t>(kChain1 + p * kChainStride)], expected, 1e-6) << "Chain" << p + 1;
    }
    EXPECT_NEAR(params.at("DistXcita"), 0.25, 1e-6);
    EXPECT_NEAR(params.at("MmFilterType"), 0.07, 1e-6);
}

TEST(AaxHost, MasterBypassUpdateChangesOnlyTheAaxParameter)
{
    const std::string in = writeTestInput("master-bypass.wav", 48000, 2, 0.1);
    const std::string out = scratch("mb-out.wav");
    const Result plain = host({"render", in, out, "--print-params"});
    const Result bypassed = host({"render", in, out, "--print-params", "--set", "MasterBypassID=1"});
    ASSERT_EQ(plain.status, 0);
    ASSERT_EQ(bypassed.status, 0);
    EXPECT_EQ(jsonObject(plain.out, "params").at("MasterBypassID"), 0.0);
    EXPECT_EQ(jsonObject(bypassed.out, "params").at("MasterBypassID"), 1.0);
    EXPECT_EQ(jsonArray(plain.out, "vst"), jsonArray(bypassed.out, "vst"));
}

TEST(AaxHost, EveryMidiPacketOfABufferArrivesInOrder)
{
    // Pattern notes: 49 and 52 pick gate patterns 2 and 5, 62 filter pattern 3. All in one
    // buffer: the gate chain ends on pattern 5 (the later packet) and the filter chain on 3.
    const std::string in = writeTestInput("midi.wav", 48000, 2, 0.05);
    const Result r = host({"render", in, scratch("midi-out.wav"), "--set", "SeqMidiNoteTrigger=1", "--block",
                           "1024", "--midi", "100:144:49:100", "--midi", "200:144:62:100", "--midi",
                           "300:144:52:100", "--print-params"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<double> vst = jsonArray(r.out, "vst");
    ASSERT_EQ(vst.size(), 366u);
    for (int p = 0; p < 8; ++p) {
        EXPECT_EQ(vst[static_cast<size_t>(kGateChain1 + p)], p == 4 ? 1.0 : 0.0) << "gate pattern " << p + 1;
        EXPECT_EQ(vst[static_cast<size_t>(kFilterChain1 + p)], p == 2 ? 1.0 : 0.0)
            << "filter pattern " << p + 1;
    }
}

TEST(AaxHost, GuiSnapshotShowsTheEditor)
{
    const std::string in = writeTestInput("gui.wav", 48000, 2, 0.05);
    const std::string png = scratch("gui.png");
    std::remove(png.c_str());
    const Result r = host({"render", in, scratch("gui-out.wav"), "--gui-snapshot", png});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = slurp(png);
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    // The IHDR chunk: width and height big-endian at bytes 16 and 20, 8-bit RGBA (colour type 6).
    auto be32 = [&](size_t at) {
        return (unsigned(uint8_t(bytes[at])) << 24) | (unsigned(uint8_t(bytes[at + 1])) << 16) |
               (unsigned(uint8_t(bytes[at + 2])) << 8) | unsigned(uint8_t(bytes[at + 3]));
    };
    EXPECT_GT(be32(16), 100u);
    EXPECT_GT(be32(20), 100u);
    EXPECT_EQ(uint8_t(bytes[24]), 8);
    EXPECT_EQ(uint8_t(bytes[25]), 6);
}
