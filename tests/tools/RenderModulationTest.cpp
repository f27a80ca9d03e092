// orvane-render's --seed, --randomize, --print-state and --midi-note, run as a user would (their
// refusals are among the renderer's refused runs).
#include "RenderToolSupport.h"

#include <iterator>
#include <sstream>

namespace
{

// The JSON array of --print-state as numbers.
std::vector<double> state(const std::string& args)
{
    RunResult r = run("--print-state " + args);
    EXPECT_EQ(r.status, 0) << args;
    EXPECT_EQ(r.out.front(), '[');
    std::replace_if(
        r.out.begin(), r.out.end(), [](char c) { return c == '[' || c == ']' || c == ','; }, ' ');
    std::istringstream in(r.out);
    return {std::istream_iterator<double>(in), {}};
}

} // namespace

TEST(OrvaneRenderModulation, PrintStateAndRandomize)
{
    const std::vector<double> defaults = state("");
    ASSERT_EQ(defaults.size(), 344u);
    EXPECT_NEAR(defaults[39], 0.77, 1e-6);     // "MasterVolume"
    EXPECT_EQ(state("--set 39=0.5")[39], 0.5); // a parameter by its index

    // A seed repeats its patch; another seed gives another one.
    const std::string gate = "--set TranceGateOn=1 --set FlangerOn=1 --randomize ";
    EXPECT_EQ(state(gate + "--seed 5"), state(gate + "--seed 5"));
    EXPECT_EQ(state(gate), state(gate + "--seed 1")); // the default seed is fixed
    EXPECT_NE(state(gate + "--seed 5"), state(gate + "--seed 6"));
}

TEST(OrvaneRenderModulation, MidiNoteSelectsGatePatternAtItsFrame)
{
    const fs::path input = workDir() / "constant.wav";
    writeWav(input, 1, 48000, std::vector<float>(3 * 48000, 0.5f));
    // Gate pattern 1 is silent, pattern 5 sounds throughout; note 52 at beat 2 (frame 48000)
    // moves the gate chain to pattern 5.
    std::string settings = "--set TranceGateOn=1 --set SeqMidiNoteTrigger=1 --set SeqPat1TGateOn=1 "
                           "--set SeqLength=0.73 --set SeqSustain=1 ";
    for (int s = 1; s <= 16; ++s)
        settings +=
            "--set Seq5Step" + std::to_string(s) + "Vol=1 --set Seq5Tie" + std::to_string(s) + "Vol=1 ";

    // A host block of 100 frames: the note is handled in the 64-frame sub-block that reaches its frame.
    const RunResult r = run("--quiet --block 100 --midi-note 2:52 " + settings + quoted(input) + " " +
                            quoted(workDir() / "note.wav"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<float> both = readWav(workDir() / "note.wav").samples;
    ASSERT_EQ(both.size(), 2u * 3u * 48000u);
    for (int frame : {1000, 30000, 48000 - 70})
        EXPECT_NEAR(both[2 * frame], 0.0f, 1e-6) << frame;
    for (int frame : {48000, 60000, 3 * 48000 - 1})
        EXPECT_NEAR(both[2 * frame], 0.5f * kUnityGain, 1e-3) << frame;
}
