// MIDI learn, "MidiConfig.txt" and controllers applied through the shell.
#include "ShellTestSupport.h"

#include "engine/MidiCcMap.h"

#include <sstream>

using namespace shelltest;

namespace
{

std::vector<std::string> lines(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

void runBlock(KsPluginVST& shell, int frames = 256)
{
    std::vector<float> l(static_cast<std::size_t>(frames), 0.1f), r(static_cast<std::size_t>(frames), 0.1f);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {l.data(), r.data()};
    shell.processReplacing(in, out, frames);
}

} // namespace

TEST_F(ShellTest, LearningController21OnDelayMixRewritesTheFileAtOnce)
{
    std::filesystem::create_directories(dataFolder);
    auto shell = makeShell();
    KsPlugin& engine = *shell->getEngine();
    const int delayMix = index(*shell, "DelayMix");
    const int gate = index(*shell, "TranceGateOn");
    ASSERT_EQ(engine.midiMap->controllerOf(gate), 21);

    engine.setLearnTarget(delayMix);
    // Neither a note-on nor a channel-mode controller (123 and above) completes learning.
    MidiBlock().add(0x90, 21, 100).add(0xB0, 123, 0).sendTo(*shell);
    EXPECT_EQ(engine.learnTarget.load(), delayMix);
    EXPECT_FALSE(std::filesystem::exists(dataFolder / "MidiConfig.txt"));

    MidiBlock().add(0xB2, 21, 64).sendTo(*shell);
    EXPECT_EQ(engine.learnTarget.load(), -1);
    EXPECT_EQ(engine.midiMap->controllerOf(gate), -1);
    EXPECT_EQ(engine.midiMap->controllerOf(delayMix), 21);

    const auto written = lines(dataFolder / "MidiConfig.txt");
    ASSERT_EQ(written.size(), 344u);
    EXPECT_EQ(written[0], "TranceGateOn -1");
    EXPECT_EQ(written[static_cast<std::size_t>(delayMix)], "DelayMix 21");
    EXPECT_EQ(written[19], "DistXcita 29");

    // The next engine reads the learnt map back.
    shell.reset();
    auto again = makeShell();
    EXPECT_EQ(again->getEngine()->midiMap->controllerOf(delayMix), 21);
    EXPECT_EQ(again->getEngine()->midiMap->controllerOf(gate), -1);
}

TEST_F(ShellTest, ControllersWhileProcessingAndInPassThrough)
{
    auto shell = makeShell();
    const int xcita = index(*shell, "DistXcita");
    struct Case {
        const char* what;
        bool masterOn;
        int status;
        int value;
        float expected;
    } cases[] = {
        {"channel 1 while processing", true, 0xB0, 127, 1.0f},
        {"channel 2 while processing", true, 0xB1, 64, 64.0f / 127.0f},
        {"channel 1 in pass-through", false, 0xB0, 127, 1.0f},
        {"channel 2 in pass-through is ignored", false, 0xB1, 127, 0.0f},
    };
    for (const Case& c : cases) {
        shell->setParameter(index(*shell, "MasterOn"), c.masterOn ? 1.0f : 0.0f);
        shell->setParameter(xcita, 0.0f);
        MidiBlock().add(c.status, 29, c.value, 10).sendTo(*shell);
        runBlock(*shell);
        EXPECT_FLOAT_EQ(shell->getParameter(xcita), c.expected) << c.what;
        // What a controller sets reaches the stored program too.
        EXPECT_FLOAT_EQ(shell->currentProgram()->values[xcita], c.expected) << c.what;
    }
}

TEST(MidiCcMapFile, ReadingFollowsTheLineRules)
{
    struct Case {
        const char* what;
        std::string text;
        int count;
        int entry;
        const char* name;
        int controller;
    } cases[] = {
        {"plain lines", "A 5\nB -1\nC 7\n", 3, 2, "C", 7},
        {"missing number counts as 0", "A 5\nB\n", 2, 1, "B", 0},
        {"out-of-range number keeps the old controller", "A 40000\n", 1, 0, "A", 99},
        {"edge of the range", "A -32768\nB 32768\n", 2, 1, "B", 32768},
        {"overlong number", "A 99999999999999999999999\n", 1, 0, "A", 99},
        {"empty file", "", 0, 0, "old0", 99},
        {"word instead of number", "A B 3\n", 2, 0, "A", 0},
    };
    for (const Case& c : cases) {
        MidiCcMap map;
        for (int i = 0; i < 4; ++i)
            map.add(("old" + std::to_string(i)).c_str(), 99);
        map.parse(c.text.data(), c.text.size());
        EXPECT_EQ(map.count, c.count) << c.what;
        EXPECT_STREQ(map.entries[c.entry].name, c.name) << c.what;
        EXPECT_EQ(map.entries[c.entry].controller, c.controller) << c.what;
    }

    // A long name is cut to 63 characters; more than 512 entries are not read.
    MidiCcMap map;
    std::ostringstream lines;
    lines << std::string(300, 'n') << " 4\n";
    for (int i = 0; i < 600; ++i)
        lines << 'P' << i << ' ' << i % 100 << '\n';
    const std::string text = lines.str();
    map.parse(text.data(), text.size());
    EXPECT_EQ(map.count, MidiCcMap::kMaxEntries);
    EXPECT_EQ(std::string(map.entries[0].name), std::string(63, 'n'));
    EXPECT_EQ(map.entries[0].controller, 4);
    EXPECT_STREQ(map.entries[511].name, "P510");
    // An unreadable file keeps everything.
    EXPECT_FALSE(map.load("/nonexistent/MidiConfig.txt"));
    EXPECT_EQ(map.count, MidiCcMap::kMaxEntries);
    EXPECT_FALSE(map.save("/nonexistent/MidiConfig.txt"));
}
