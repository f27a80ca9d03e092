// Runs the built orvane-render as a user would and checks files, texts and exit codes.
#include "RenderToolSupport.h"

#include <sys/stat.h>

// Every refusal exits with 2 and one line that names the culprit, writes nothing to standard
// output and leaves the output file alone.
TEST_F(OrvaneRender, RefusedRunsExitWithTwoAndLeaveOutputAlone)
{
    const fs::path input = dir / "in.wav", output = dir / "out.wav";
    writeWav(input, 2, 48000, std::vector<float>(9600, 0.25f));
    writeWav(dir / "three.wav", 3, 48000, std::vector<float>(300, 0.25f));
    std::ofstream(output) << "previous";
    const std::string files = quoted(input) + " " + quoted(output);
    const struct {
        std::string args;
        const char* mentions;
    } cases[] = {
        {"--set NoSuchParam=0.5 " + files, "NoSuchParam"},
        {"--set PanDepth=1.5 " + files, "outside 0..1"},
        {"--format float " + quoted(input) + " " + quoted(dir / "float.flac"),
         "float"}, // FLAC holds no floats
        {"--tempo -5 " + files, "--tempo"},
        {quoted(dir / "missing.wav") + " " + quoted(output), "missing.wav"},
        {quoted(dir / "three.wav") + " " + quoted(output), "channels"},
        {quoted(output) + " " + quoted(output), "INPUT"},
        {quoted(input), "OUTPUT"},
        {quoted(input) + " " + quoted(dir), "is a folder"},
        {"--print-state " + quoted(input) + " -", "standard output"}, // two writers of standard output
        {"--program 64 --print-state", "--program"},
        // No factory content and an empty data folder: no bank to take a program from.
        {"--program 3 --print-state", "--program 3"},
        {"--midi /dev/zero " + files, "zero"}, // endless: refused by its size instead of read for ever
        {"--print-state --position 8 --midi-note 2:60", "--midi-note"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const RunResult r = run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(readAll(output), "previous");
    }
    EXPECT_FALSE(hasTemporaryFile(dir));
}

TEST_F(OrvaneRender, MonoInputTailAndFormats)
{
    const fs::path input = dir / "mono.wav", output = dir / "mono-out.wav";
    std::vector<float> ramp(4410);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = 0.5f * std::sin(static_cast<float>(i) * 0.05f);
    writeWav(input, 1, 44100, ramp);

    const RunResult r = run("--quiet --tail 0.5 --block 100 " + quoted(input) + " " + quoted(output));
    ASSERT_EQ(r.status, 0) << r.err;
    const Wav w = readWav(output);
    EXPECT_EQ(w.format, 3); // 32-bit float by default
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.rate, 44100);
    ASSERT_EQ(w.frames(), 4410u + 22050u);
    // With the product defaults the engine is a gain of 1.0027 once the first sub-block has faded in.
    const float x =
        static_cast<float>(static_cast<std::int16_t>(std::lround(ramp[99] * 32767.0f))) / 32768.0f;
    EXPECT_NEAR(w.samples[2 * 99], x * kUnityGain, 1e-4);
    EXPECT_EQ(w.samples[2 * 99], w.samples[2 * 99 + 1]);
    EXPECT_EQ(w.samples.back(), 0.0f);
    // The output gets the permissions of any new file, not the temporary file's private ones.
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(output).permissions()) & 0777, 0666 & ~mask);
}

TEST_F(OrvaneRender, ListAndShow)
{
    RunResult r = run("--list-params --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.front(), '[');
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 366 + 2);
    EXPECT_NE(
        r.out.find(
            R"("name": "MasterVolume", "altName": "MasterVolume", "kind": 9, "unit": "dB", "minimum": 0, )"
            R"("maximum": 1, "default": 0.77, "announces": true, "automatable": true, "display": " 0 dB"})"),
        std::string::npos)
        << r.out;

    // Every value in order, one --show or several values after one.
    r = run("--show PanDepth=0.25 MasterVolume=0 --show MmFilterCutoff=1 PanDepth=1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "PanDepth\t25\t%\nMasterVolume\t-inf\tdB\nMmFilterCutoff\t16000\tHz\nPanDepth\t100\t%\n");
    // The engine's override: under the bit-reduction filter the cutoff shows bits.
    r = run("--set MmFilterType=0.14 --show MmFilterCutoff=0 --show MmFilterCutoff=1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "MmFilterCutoff\t16\tBit\nMmFilterCutoff\t1\tBit\n");
}

TEST_F(OrvaneRender, DemoIsDeterministic)
{
    ASSERT_EQ(run("--quiet --demo " + quoted(dir / "demo1.wav")).status, 0);
    ASSERT_EQ(run("--quiet --demo " + quoted(dir / "demo2.wav")).status, 0);
    const Wav w = readWav(dir / "demo1.wav");
    EXPECT_TRUE(w.samples == readWav(dir / "demo2.wav").samples);
    EXPECT_EQ(w.rate, 48000);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.frames(), 8u * 48000u);
}
