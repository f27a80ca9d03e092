// orvane-render's --seed, --randomize, --print-state and --midi-note, run as a user would (their
// refusals are among the renderer's refused runs).
#include "RenderToolSupport.h"

#include <sstream>

namespace
{

// The JSON array of --print-state as numbers.
std::vector<double> parseState(const std::string& text)
{
    std::vector<double> values;
    std::string body = text;
    for (char& c : body)
        if (c == '[' || c == ']' || c == ',') c = ' ';
    std::istringstream in(body);
    for (double v; in >> v;)
        values.push_back(v);
    return values;
}

std::vector<double> state(const std::string& args)
{
    const RunResult r = run("--print-state " + args);
    EXPECT_EQ(r.status, 0) << args;
    EXPECT_EQ(r.out.front(), '[');
    return parseState(r.out);
}

// Left channel of the renderer's stereo output.
std::vector<float> readLeft(const fs::path& path)
{
    const std::vector<float> both = readWav(path).samples;
    std::vector<float> left;
    for (std::size_t i = 0; i < both.size(); i += 2)
        left.push_back(both[i]);
    return left;
}

} // namespace

TEST(OrvaneRenderModulation, PrintStateAndRandomize)
{
    const std::vector<double> defaults = state("");
    ASSERT_EQ(defaults.size(), 344u);
    EXPECT_NEAR(defaults[39], 0.77, 1e-6); // "MasterVolume"
    EXPECT_NEAR(defaults[40], 0.01, 1e-6); // "MorphXParam"

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
    const float sounding = 0.5f * kUnityGain;

    for (const char* block : {"512", "100"}) {
        const fs::path output = workDir() / (std::string("note-") + block + ".wav");
        ASSERT_EQ(run("--quiet --block " + std::string(block) + " --midi-note 2:52 " + settings +
                      quoted(input) + " " + quoted(output))
                      .status,
                  0);
        const std::vector<float> left = readLeft(output);
        ASSERT_EQ(left.size(), 3u * 48000u);
        // The note is handled in the 64-frame sub-block that reaches its frame.
        for (int frame : {1000, 30000, 48000 - 70})
            EXPECT_NEAR(left[frame], 0.0f, 1e-6) << block << " at " << frame;
        for (int frame : {48000, 60000, 3 * 48000 - 1})
            EXPECT_NEAR(left[frame], sounding, 1e-3) << block << " at " << frame;
    }

    // Without the note the gate stays on the silent pattern.
    const fs::path output = workDir() / "no-note.wav";
    ASSERT_EQ(run("--quiet " + settings + quoted(input) + " " + quoted(output)).status, 0);
    EXPECT_NEAR(readLeft(output)[60000], 0.0f, 1e-6);
}
