// MIDI learn, "MidiConfig.txt" and controllers applied through the shell.
#include "ShellTestSupport.h"

#include "engine/MidiCcMap.h"

#include <sstream>

using namespace shelltest;

namespace
{

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
    sendMidi(*shell, {{0x90, 21, 100, 0}, {0xB0, 123, 0, 0}});
    EXPECT_EQ(engine.learnTarget.load(), delayMix);
    EXPECT_FALSE(std::filesystem::exists(dataFolder / "MidiConfig.txt"));

    sendMidi(*shell, {{0xB2, 21, 64, 0}});
    EXPECT_EQ(engine.learnTarget.load(), -1);
    EXPECT_EQ(engine.midiMap->controllerOf(gate), -1);
    EXPECT_EQ(engine.midiMap->controllerOf(delayMix), 21);

    std::ifstream file(dataFolder / "MidiConfig.txt");
    std::vector<std::string> written;
    for (std::string line; std::getline(file, line);)
        written.push_back(line);
    ASSERT_EQ(written.size(), 344u);
    EXPECT_EQ(written[0], "TranceGateOn -1");
    EXPECT_EQ(written[static_cast<std::size_t>(delayMix)], "DelayMix 21");
    EXPECT_EQ(written[19], "DistXcita 29");
}

TEST_F(ShellTest, ControllerFileIsWrittenOnlyWhenAnAssignmentChanged)
{
    const auto file = dataFolder / "MidiConfig.txt";
    std::string valid = "TranceGateOn\t7"; // not the layout the map writes: a rewrite would show
    for (int i = 1; i < 344; ++i)
        valid += "\nP" + std::to_string(i) + " " + std::to_string(MidiCcMap::defaultController(i));
    struct Case {
        const char* what;
        bool exists;
        std::string text;
        int gateController; // "TranceGateOn" while the shell lives
    } const cases[] = {
        {"no file", false, "", 21},
        {"a file the map reads", true, valid, 7},
        {"a file cut off in a line", true, "TranceGateOn 7\nPanOn", 21},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dataFolder);
        std::filesystem::create_directories(dataFolder);
        if (c.exists) std::ofstream(file, std::ios::binary) << c.text;
        {
            auto shell = makeShell();
            EXPECT_EQ(shell->getEngine()->midiMap->controllerOf(index(*shell, "TranceGateOn")),
                      c.gateController)
                << c.what;
            EXPECT_EQ(shell->getEngine()->midiMap->controllerOf(index(*shell, "PanOn")), 31) << c.what;
            // Learning the controller a parameter already has changes nothing.
            shell->getEngine()->setLearnTarget(index(*shell, "DistXcita"));
            sendMidi(*shell, {{0xB0, 29, 1, 0}});
            runBlock(*shell);
        }
        EXPECT_EQ(std::filesystem::exists(file), c.exists) << c.what;
        if (c.exists) {
            EXPECT_EQ(readBytes(file), std::vector<std::uint8_t>(c.text.begin(), c.text.end())) << c.what;
        }
    }
}

TEST_F(ShellTest, ControllersInPassThroughReachTheStoredProgram)
{
    auto shell = makeShell();
    const int xcita = index(*shell, "DistXcita");
    shell->setParameter(index(*shell, "MasterOn"), 0.0f);
    shell->setParameter(xcita, 0.0f);
    sendMidi(*shell, {{0xB0, 29, 127, 10}});
    runBlock(*shell);
    EXPECT_FLOAT_EQ(shell->getParameter(xcita), 1.0f);
    EXPECT_FLOAT_EQ(shell->currentProgram()->values[xcita], 1.0f);
}

TEST(MidiCcMapFile, ReadingFollowsTheLineRules)
{
    // A malformed text changes nothing: the map keeps its four entries "old0".."old3" at 99.
    struct Case {
        const char* what;
        std::string text;
        bool accepted;
        int count;
        int entry;
        const char* name;
        int controller;
    } cases[] = {
        {"plain lines", "A 5\nB -1\nC 7\n", true, 3, 2, "C", 7},
        {"edge of the range", "A -32768\nB 32768\n", true, 2, 1, "B", 32768},
        {"overlong number", "A 99999999999999999999999\n", true, 1, 0, "A", 99},
        {"number run into text", "A 5x\nB 4\n", false, 4, 0, "old0", 99},
        {"cut off in the middle of a line", "A 5\nB 6\nC", false, 4, 2, "old2", 99},
    };
    for (const Case& c : cases) {
        MidiCcMap map;
        for (int i = 0; i < 4; ++i)
            map.add(("old" + std::to_string(i)).c_str(), 99);
        EXPECT_EQ(map.parse(c.text.data(), c.text.size()), c.accepted) << c.what;
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
}
