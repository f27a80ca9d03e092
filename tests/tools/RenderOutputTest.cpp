// Where and how orvane-render writes its output: integer formats, file types, devices and
// standard output.
#include "RenderToolSupport.h"

#include <tuple>

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
    return (((b[20] & 1) << 4) | (static_cast<unsigned char>(b[21]) >> 4)) + 1;
}

} // namespace

TEST(OrvaneRenderOutput, IntegerFormatsClipAndFollowTheFileType)
{
    const fs::path input = sineInput("loud.wav", 1.5f);
    const fs::path output = workDir() / "loud-pcm24.wav";
    const RunResult r = run("--quiet --format pcm24 " + quoted(input) + " " + quoted(output));
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

    // FLAC holds no floats: 24-bit unless told otherwise.
    for (const auto& [options, name, bits] :
         {std::tuple{"", "default.flac", 24}, {"--format pcm16", "16.flac", 16}}) {
        const RunResult f =
            run(std::string("--quiet ") + options + " " + quoted(input) + " " + quoted(workDir() / name));
        ASSERT_EQ(f.status, 0) << f.err;
        EXPECT_EQ(flacBits(workDir() / name), bits);
    }
    EXPECT_FALSE(hasTemporaryFile(workDir()));
}

TEST(OrvaneRenderOutput, DevicesPipesAndStandardOutputAreWrittenInPlace)
{
    const fs::path dir = workDir();
    const std::string common = "--quiet --format pcm16 " + quoted(sineInput("in.wav", 0.5f)) + " ";
    ASSERT_EQ(run(common + quoted(dir / "file.wav")).status, 0);
    const std::string expected = readAll(dir / "file.wav");

    // Standard output.
    RunResult r = run(common + "-");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == expected);

    // A device stays the device.
    r = run(common + "/dev/null");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_FALSE(hasTemporaryFile(dir));
    EXPECT_FALSE(hasTemporaryFile("/dev"));
}
