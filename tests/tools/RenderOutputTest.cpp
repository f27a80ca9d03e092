// Where and how orvane-render writes its output: integer formats, file types, devices, pipes
// and standard output.
#include "RenderToolSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A stereo 1 kHz sine at 48 kHz with the given peak, as 32-bit float.
fs::path sineInput(const std::string& name, float peak)
{
    std::vector<float> samples;
    for (int i = 0; i < 4800; ++i)
        samples.insert(samples.end(), 2,
                       peak * static_cast<float>(std::sin(2.0 * M_PI * 1000.0 * i / 48000.0)));
    writeWav(workDir() / name, 2, 48000, samples, true);
    return workDir() / name;
}

// Bits per sample from a FLAC stream's STREAMINFO block.
int flacBits(const fs::path& path)
{
    const std::string b = readAll(path);
    if (b.size() < 22 || b.compare(0, 4, "fLaC") != 0) return 0;
    const auto u = [&](std::size_t at) { return static_cast<unsigned char>(b[at]); };
    return (((u(20) & 1) << 4) | (u(21) >> 4)) + 1;
}

} // namespace

TEST(OrvaneRenderOutput, IntegerFormatsClipInsteadOfWrapping)
{
    const fs::path input = sineInput("loud.wav", 1.5f);
    for (const std::string format : {"pcm16", "pcm24"}) {
        SCOPED_TRACE(format);
        const fs::path output = workDir() / ("loud-" + format + ".wav");
        const RunResult r = run("--quiet --format " + format + " " + quoted(input) + " " + quoted(output));
        ASSERT_EQ(r.status, 0) << r.err;
        const Wav w = readWav(output);
        ASSERT_EQ(w.frames(), 4800u);
        // Past the first sub-block the engine is a gain of about 1: the input peaks of +-1.5
        // (every 48 frames from frame 12 on) are held at full scale with their own sign.
        for (std::size_t frame = 2412; frame < 4800; frame += 48) {
            EXPECT_GT(w.samples[2 * frame], 0.999f) << frame;
            EXPECT_EQ(w.samples[2 * (frame + 24)], -1.0f) << frame + 24;
        }
        for (float x : w.samples)
            ASSERT_LE(std::fabs(x), 1.0f);
    }
}

TEST(OrvaneRenderOutput, SampleFormatFollowsTheFileType)
{
    const fs::path dir = workDir(), input = sineInput("quiet.wav", 0.5f);
    const struct {
        const char* options;
        const char* output;
        int bits; // 0: refused with exit 2
    } cases[] = {
        {"", "default.flac", 24},
        {"--format pcm16", "sixteen.flac", 16},
        {"--format pcm24", "explicit.FLAC", 24},
        {"--format float", "float.flac", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        const RunResult r =
            run(std::string("--quiet ") + c.options + " " + quoted(input) + " " + quoted(dir / c.output));
        if (c.bits == 0) {
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_NE(r.err.find("float"), std::string::npos) << r.err;
            EXPECT_FALSE(fs::exists(dir / c.output));
        } else {
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(flacBits(dir / c.output), c.bits);
        }
    }
    EXPECT_FALSE(hasTemporaryFile(dir));
}

TEST(OrvaneRenderOutput, DevicesPipesAndStandardOutputAreWrittenInPlace)
{
    const fs::path dir = workDir();
    const std::string common = "--quiet --format pcm16 " + quoted(sineInput("in.wav", 0.5f)) + " ";
    ASSERT_EQ(run(common + quoted(dir / "file.wav")).status, 0);
    const std::string expected = readAll(dir / "file.wav");
    ASSERT_EQ(readWav(dir / "file.wav").frames(), 4800u);

    // Standard output, as a file and through a pipe.
    RunResult r = run(common + "-");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == expected);
    r = run(common + "- | cat");
    EXPECT_TRUE(r.out == expected);

    // A named pipe stays a pipe and carries the render to its reader. The reader is open before
    // the run and the render fits in the pipe's buffer, so nothing waits on anything.
    const fs::path fifo = dir / "fifo";
    fs::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    r = run(common + quoted(fifo));
    std::string received;
    char buffer[4096];
    for (ssize_t got; (got = read(reader, buffer, sizeof buffer)) > 0;)
        received.append(buffer, static_cast<std::size_t>(got));
    close(reader);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_LT(expected.size(), 65536u);
    EXPECT_TRUE(received == expected);
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A device stays the device.
    r = run(common + "/dev/null");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_FALSE(hasTemporaryFile(dir));
    EXPECT_FALSE(hasTemporaryFile("/dev"));

    // Refused: a folder as OUTPUT, and two writers of standard output.
    for (const std::string& args : {common + quoted(dir), "--print-state " + common + "-"}) {
        r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    EXPECT_TRUE(fs::is_directory(dir));
}
