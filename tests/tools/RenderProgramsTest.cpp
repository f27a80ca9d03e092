// orvane-render as a host of the plug-in shell: banks, programs, presets, saves and MIDI files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

const std::string kTool = std::string(ORVANE_BINARY_DIR) + "/bin/orvane-render";
const fs::path kFactoryBank = fs::path(ORVANE_BINARY_DIR) / "data" / "00 Factory.fxb";

struct Result {
    int status;
    std::string out;
    std::string err;
};

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string quoted(const fs::path& p)
{
    std::string text = "'";
    text += p.string();
    text += '\'';
    return text;
}

// A private data home per test; the factory bank is seeded from `factory` (empty: none).
class RenderPrograms : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dir = fs::path(ORVANE_BINARY_DIR) / "render-programs-test" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir / "factory");
    }
    Result run(const std::string& args)
    {
        const std::string command = "XDG_DATA_HOME=" + quoted(dir / "home") +
                                    " ORVANE_FACTORY_DIR=" + quoted(dir / "factory") + " " + kTool + " " +
                                    args + " >" + quoted(dir / "out.txt") + " 2>" + quoted(dir / "err.txt");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(dir / "out.txt"), readAll(dir / "err.txt")};
    }
    fs::path dir;
};

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        result.push_back(text.substr(start, end - start));
    return result;
}

// 16-bit stereo WAV of a constant level, and the float WAV samples the renderer writes.
void writeWav(const fs::path& path, int frames, float level)
{
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    const std::uint32_t bytes = static_cast<std::uint32_t>(frames) * 4;
    f.write("RIFF", 4);
    u32(36 + bytes);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(48000);
    u32(48000 * 4);
    u16(4);
    u16(16);
    f.write("data", 4);
    u32(bytes);
    const auto sample = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(level * 32767.0f)));
    for (int i = 0; i < 2 * frames; ++i)
        u16(sample);
}

std::vector<float> floatSamples(const fs::path& path)
{
    const std::string bytes = readAll(path);
    const std::size_t data = bytes.find("data");
    if (data == std::string::npos) return {};
    std::vector<float> samples((bytes.size() - data - 8) / 4);
    std::memcpy(samples.data(), bytes.data() + data + 8, samples.size() * 4);
    return samples;
}

} // namespace

TEST_F(RenderPrograms, BanksProgramsAndPresetsWithoutAudio)
{
    ASSERT_TRUE(fs::exists(kFactoryBank));
    fs::copy_file(kFactoryBank, dir / "factory" / kFactoryBank.filename());

    // --program without --bank takes the data folder's bank 0, seeded on first use.
    Result r = run("--program 2 --save-bank " + quoted(dir / "copy.fxb") + " --save-preset " +
                   quoted(dir / "Third.fxp"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "home" / "Tirsk Audio" / "OrvaneData" / kFactoryBank.filename()));

    r = run("--bank " + quoted(dir / "copy.fxb") + " --list-programs");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto names = lines(r.out);
    ASSERT_EQ(names.size(), 64u);
    EXPECT_EQ(names[0].substr(0, 4), " 0  ");
    EXPECT_EQ(names[2], " 2  Third"); // the saved preset renamed program 2 before the bank was saved
    r = run("--bank " + quoted(dir / "copy.fxb") + " --list-programs --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.front(), '[');
    EXPECT_NE(r.out.find("\"Third\""), std::string::npos);

    // The preset and the bank's program give the same stored state; the product defaults differ.
    const Result fromPreset = run("--preset " + quoted(dir / "Third.fxp") + " --print-state");
    const Result fromBank = run("--bank " + quoted(dir / "copy.fxb") + " --program 2 --print-state");
    const Result defaults = run("--print-state");
    ASSERT_EQ(fromPreset.status, 0) << fromPreset.err;
    EXPECT_EQ(fromPreset.out, fromBank.out);
    EXPECT_NE(fromPreset.out, defaults.out);
    // Without a program source the data folder's bank does not matter: product defaults, as before.
    fs::remove_all(dir / "home");
    fs::remove(dir / "factory" / kFactoryBank.filename());
    EXPECT_EQ(run("--print-state").out, defaults.out);
}

TEST_F(RenderPrograms, RefusedFilesExitWithTwo)
{
    {
        std::ofstream(dir / "junk.fxb") << "not a bank";
        std::ofstream(dir / "junk.fxp") << "not a preset";
        std::ofstream(dir / "junk.mid") << "not a MIDI file at all";
    }
    writeWav(dir / "in.wav", 4800, 0.25f);
    struct Case {
        std::string args;
        const char* mentions;
    } const cases[] = {
        {"--bank " + quoted(dir / "junk.fxb") + " --list-programs", "junk.fxb"},
        {"--preset " + quoted(dir / "junk.fxp") + " --print-state", "junk.fxp"},
        {"--preset " + quoted(dir / "missing.fxp") + " --print-state", "missing.fxp"},
        {"--program 64 --print-state", "--program"},
        {"--save-bank " + quoted(dir / "no" / "such" / "x.fxb"), "x.fxb"},
        {"--midi " + quoted(dir / "junk.mid") + " " + quoted(dir / "in.wav") + " " + quoted(dir / "out.wav"),
         "junk.mid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "out.wav"));
}

TEST_F(RenderPrograms, MidiFileEventsArriveInTheirBlock)
{
    // One beat (24000 frames at 120 bpm) in, controller 18 ("MasterOn") goes to 0: from then on
    // the shell passes the input through unchanged.
    const std::uint8_t track[] = {0x83, 0x60, 0xB0, 18, 0, 0x00, 0xFF, 0x2F, 0x00}; // delta 480
    std::vector<std::uint8_t> smf = {'M', 'T',  'h',  'd', 0,   0,   0,   6, 0, 0, 0,
                                     1,   0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, sizeof track};
    smf.insert(smf.end(), std::begin(track), std::end(track));
    {
        std::ofstream out(dir / "off.mid", std::ios::binary);
        out.write(reinterpret_cast<const char*>(smf.data()), static_cast<std::streamsize>(smf.size()));
    }
    writeWav(dir / "in.wav", 48000, 0.25f);
    const Result r = run("--quiet --block 512 --midi " + quoted(dir / "off.mid") + " " +
                         quoted(dir / "in.wav") + " " + quoted(dir / "out.wav"));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto samples = floatSamples(dir / "out.wav");
    ASSERT_EQ(samples.size(), 2u * 48000u);
    const float in = static_cast<float>(std::lround(0.25f * 32767.0f)) / 32768.0f;
    // Before the event the engine runs (a gain of 1.0027); from the block after it, pass-through.
    EXPECT_NEAR(samples[2 * 20000], in * std::pow(1.001f, 2.737f), 1e-5);
    EXPECT_NE(samples[2 * 20000], in);
    const std::size_t after = (24000 / 512 + 1) * 512;
    for (std::size_t frame = after; frame < 48000; frame += 97)
        ASSERT_EQ(samples[2 * frame], in) << frame;
}
