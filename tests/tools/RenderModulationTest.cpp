// orvane-render's --seed, --randomize, --print-state and --midi-note, run as a user would.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

const std::string kTool = std::string(ORVANE_BINARY_DIR) + "/bin/orvane-render";

fs::path workDir()
{
    // One folder per test: CTest runs the tests of this file in parallel.
    const fs::path dir = fs::path(ORVANE_BINARY_DIR) / "render-modulation-test" /
                         ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir);
    return dir;
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the tool; returns its exit status and fills out with its standard output.
int run(const std::string& args, std::string& out)
{
    const fs::path outPath = workDir() / "stdout.txt";
    const std::string command = kTool + " " + args + " >'" + outPath.string() + "' 2>/dev/null";
    const int raw = std::system(command.c_str());
    out = readAll(outPath);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

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
    std::string out;
    EXPECT_EQ(run("--print-state " + args, out), 0) << args;
    EXPECT_EQ(out.front(), '[');
    return parseState(out);
}

// A mono 16-bit WAV of a constant level.
void writeConstantWav(const fs::path& path, int frames, float level)
{
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    const std::uint32_t bytes = static_cast<std::uint32_t>(frames) * 2;
    f.write("RIFF", 4);
    u32(36 + bytes);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(48000);
    u32(96000);
    u16(2);
    u16(16);
    f.write("data", 4);
    u32(bytes);
    const auto sample = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(level * 32767.0f)));
    for (int i = 0; i < frames; ++i)
        u16(sample);
}

// Left channel of the renderer's stereo float WAV output.
std::vector<float> readLeft(const fs::path& path)
{
    const std::string b = readAll(path);
    std::vector<float> left;
    for (std::size_t i = 12; i + 8 <= b.size();) {
        std::uint32_t size;
        std::memcpy(&size, b.data() + i + 4, 4);
        if (b.compare(i, 4, "data") == 0) {
            const std::size_t n = std::min<std::size_t>(size, b.size() - i - 8) / 8;
            left.resize(n);
            for (std::size_t k = 0; k < n; ++k)
                std::memcpy(&left[k], b.data() + i + 8 + 8 * k, 4);
            break;
        }
        i += 8 + size + (size & 1);
    }
    return left;
}

} // namespace

TEST(OrvaneRenderModulation, PrintStateAndRandomize)
{
    const std::vector<double> defaults = state("");
    ASSERT_EQ(defaults.size(), 344u);
    EXPECT_NEAR(defaults[39], 0.77, 1e-6); // "MasterVolume"
    EXPECT_NEAR(defaults[40], 0.01, 1e-6); // "MorphXParam"

    // Every section off: the randomiser only picks new XY pad targets among the filter's three.
    for (const char* seed : {"1", "7", "4242"}) {
        const std::vector<double> after = state(std::string("--randomize --seed ") + seed);
        ASSERT_EQ(after.size(), 344u);
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (i == 40 || i == 41) {
                const long selector = std::lround(after[i] * 100.0);
                EXPECT_TRUE(selector >= 0 && selector <= 2) << seed << ": " << after[i];
            } else {
                EXPECT_EQ(after[i], defaults[i]) << "seed " << seed << ", parameter " << i;
            }
        }
    }

    // A seed repeats its patch; another seed gives another one.
    const std::string gate = "--set TranceGateOn=1 --set FlangerOn=1 --randomize ";
    EXPECT_EQ(state(gate + "--seed 5"), state(gate + "--seed 5"));
    EXPECT_EQ(state(gate), state(gate + "--seed 1")); // the default seed is fixed
    EXPECT_NE(state(gate + "--seed 5"), state(gate + "--seed 6"));

    std::string out;
    for (const char* bad : {"--seed -3", "--seed 1x", "--midi-note 4", "--midi-note 4:128",
                            "--midi-note x:60", "--position 8 --midi-note 2:60"})
        EXPECT_EQ(run(std::string("--print-state ") + bad, out), 2) << bad;
}

TEST(OrvaneRenderModulation, MidiNoteSelectsGatePatternAtItsFrame)
{
    const fs::path input = workDir() / "constant.wav";
    writeConstantWav(input, 3 * 48000, 0.5f);
    // Gate pattern 1 is silent, pattern 5 sounds throughout; note 52 at beat 2 (frame 48000)
    // moves the gate chain to pattern 5.
    std::string settings = "--set TranceGateOn=1 --set SeqMidiNoteTrigger=1 --set SeqPat1TGateOn=1 "
                           "--set SeqLength=0.73 --set SeqSustain=1 ";
    for (int s = 1; s <= 16; ++s)
        settings +=
            "--set Seq5Step" + std::to_string(s) + "Vol=1 --set Seq5Tie" + std::to_string(s) + "Vol=1 ";
    const float sounding = 0.5f * std::pow(1.001f, 2.737f);

    for (const char* block : {"512", "100"}) {
        const fs::path output = workDir() / (std::string("note-") + block + ".wav");
        std::string out;
        ASSERT_EQ(run("--quiet --block " + std::string(block) + " --midi-note 2:52 " + settings + "'" +
                          input.string() + "' '" + output.string() + "'",
                      out),
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
    std::string out;
    ASSERT_EQ(run("--quiet " + settings + "'" + input.string() + "' '" + output.string() + "'", out), 0);
    EXPECT_NEAR(readLeft(output)[60000], 0.0f, 1e-6);
}
