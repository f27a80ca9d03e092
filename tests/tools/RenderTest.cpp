// Runs the built orvane-render as a user would and checks files, texts and exit codes.
#include "RenderToolSupport.h"

#include <sys/stat.h>

#include <algorithm>

// Every refusal exits with 2 and one line that names the culprit, writes nothing to standard
// output and leaves the output file alone.
TEST_F(OrvaneRender, RefusedRunsExitWithTwoAndLeaveOutputAlone)
{
    const fs::path input = dir / "in.wav", output = dir / "out.wav";
    writeWav(input, 2, 48000, std::vector<float>(9600, 0.25f));
    writeWav(dir / "three.wav", 3, 48000, std::vector<float>(300, 0.25f));
    std::ofstream(output) << "previous";
    std::ofstream(dir / "junk.fxb") << "not a bank";
    std::ofstream(dir / "junk.fxp") << "not a preset";
    std::ofstream(dir / "junk.mid") << "not a MIDI file at all";
    writeFile(dir / "cut.mid", std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xFF", 24));
    // A real bank and preset, each handed to the option of the other kind.
    ASSERT_EQ(
        run("--save-bank " + quoted(dir / "good.fxb") + " --save-preset " + quoted(dir / "good.fxp")).status,
        0);
    const std::string files = quoted(input) + " " + quoted(output);
    const struct {
        std::string args;
        const char* mentions;
    } cases[] = {
        {"--set NoSuchParam=0.5 " + files, "NoSuchParam"},
        {"--set PanDepth=1.5 " + files, "outside 0..1"},
        {"--set PanDepth=-0.1 " + files, "outside 0..1"},
        {"--set PanDepth=loud " + files, "not a number"},
        {"--set 366=0.5 " + files, "366"},
        {"--set PanDepth " + files, "NAME=VALUE"},
        {"--no-such-option " + files, "no-such-option"},
        {"--format pcm8 " + files, "pcm8"},
        {"--block 0 " + files, "--block"},
        {"--tempo -5 " + files, "--tempo"},
        {quoted(dir / "missing.wav") + " " + quoted(output), "missing.wav"},
        {quoted(dir / "three.wav") + " " + quoted(output), "channels"},
        {quoted(output) + " " + quoted(output), "INPUT"},
        {quoted(input), "OUTPUT"},
        {"--show PanDepth=2", "outside 0..1"},
        {"--bank " + quoted(dir / "junk.fxb") + " --list-programs", "junk.fxb"},
        {"--preset " + quoted(dir / "junk.fxp") + " --print-state", "junk.fxp"},
        {"--preset " + quoted(dir / "missing.fxp") + " --print-state", "missing.fxp"},
        {"--program 64 --print-state", "--program"},
        {"--preset " + quoted(dir / "good.fxb") + " --print-state", "good.fxb"},
        {"--bank " + quoted(dir / "good.fxp") + " --print-state", "good.fxp"},
        // No factory content and an empty data folder: no bank to take a program from.
        {"--program 3 --print-state", "--program 3"},
        {"--program 3 " + files, "--program 3"},
        {"--save-bank " + quoted(dir / "no" / "such" / "x.fxb"), "x.fxb"},
        {"--midi " + quoted(dir / "junk.mid") + " " + files, "junk.mid"},
        {"--midi " + quoted(dir / "cut.mid") + " " + files, "cut.mid"},
        {"--midi " + quoted(dir / "missing.mid") + " " + files, "missing.mid"},
        {"--midi /dev/zero " + files, "zero"}, // endless: refused by its size instead of read for ever
        {"--print-state --seed -3", "--seed"},
        {"--print-state --seed 1x", "--seed"},
        {"--print-state --midi-note 4", "--midi-note"},
        {"--print-state --midi-note 4:128", "--midi-note"},
        {"--print-state --midi-note x:60", "--midi-note"},
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

    RunResult r = run("--quiet --tail 0.5 --block 100 " + quoted(input) + " " + quoted(output));
    ASSERT_EQ(r.status, 0) << r.err;
    const Wav w = readWav(output);
    EXPECT_EQ(w.format, 3); // 32-bit float by default
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.rate, 44100);
    ASSERT_EQ(w.frames(), 4410u + 22050u);
    // With the product defaults the engine is a gain of 1.0027 once the first sub-block has faded in.
    for (std::size_t i = 64; i < 4410; i += 37) {
        const float x =
            static_cast<float>(static_cast<std::int16_t>(std::lround(ramp[i] * 32767.0f))) / 32768.0f;
        ASSERT_NEAR(w.samples[2 * i], x * kUnityGain, 1e-4) << i;
        ASSERT_EQ(w.samples[2 * i], w.samples[2 * i + 1]) << i;
    }
    EXPECT_EQ(w.samples.back(), 0.0f);
    // The output gets the permissions of any new file, not the temporary file's private ones.
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status(output).permissions()) & 0777, 0666 & ~mask);

    r = run("--quiet --format pcm16 " + quoted(input) + " " + quoted(dir / "mono16.wav"));
    ASSERT_EQ(r.status, 0) << r.err;
    const Wav pcm = readWav(dir / "mono16.wav");
    EXPECT_EQ(pcm.format, 1);
    EXPECT_EQ(pcm.bits, 16);
    EXPECT_EQ(pcm.frames(), 4410u);
}

TEST_F(OrvaneRender, SettingsChangeTheSound)
{
    writeWav(dir / "in.wav", 2, 48000, std::vector<float>(2 * 4800, 0.5f));
    // "MasterMix" 0 and "MasterVolume" 0 by index: silence after the glide.
    const RunResult r = run("--quiet --set 38=0 --set MasterVolume=0 " + quoted(dir / "in.wav") + " " +
                            quoted(dir / "quiet.wav"));
    ASSERT_EQ(r.status, 0) << r.err;
    const Wav w = readWav(dir / "quiet.wav");
    ASSERT_EQ(w.frames(), 4800u);
    EXPECT_EQ(w.samples[2 * 4000], 0.0f);
}

TEST_F(OrvaneRender, ListAndShow)
{
    RunResult r = run("--list-params --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.front(), '[');
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 366 + 2);
    for (
        const char* fragment : {
            R"("name": "MasterVolume", "altName": "MasterVolume", "kind": 9, "unit": "dB", "minimum": 0, )"
            R"("maximum": 1, "default": 0.77, "announces": true, "automatable": true, "display": " 0 dB"})",
            R"("name": "FlangerDelay", "altName": "FlangerDelay", "kind": 4, "unit": "ms", "minimum": 0.1, )",
            R"({"index": 344, "name": "Unused", "altName": "", "kind": 1, "unit": null, )",
            R"("default": 0, "announces": false, "automatable": false, "display": "0"})",
            R"("name": "SeqLength", "altName": "SeqLength", "kind": 2, "unit": "", "minimum": 0, "maximum": 1, )"
            R"("default": 0.5, "announces": true, "automatable": true, "display": "4/1T bars"})",
        })
        EXPECT_NE(r.out.find(fragment), std::string::npos) << fragment;

    // Every value in order, one --show or several values after one.
    const struct {
        const char* args;
        const char* out;
    } shows[] = {
        {"--show MasterVolume=0 --show MasterVolume=0.77 --show MmFilterCutoff=1 --show 10=0.5 --show "
         "PanDepth=0.25",
         "MasterVolume\t-inf\tdB\nMasterVolume\t 0\tdB\nMmFilterCutoff\t16000\tHz\nMmFilterCutoff\t1278\tHz\n"
         "PanDepth\t25\t%\n"},
        {"--show PanDepth=0.25 MasterVolume=0 --show MmFilterCutoff=1 PanDepth=1",
         "PanDepth\t25\t%\nMasterVolume\t-inf\tdB\nMmFilterCutoff\t16000\tHz\nPanDepth\t100\t%\n"},
        // The engine's override: under the bit-reduction filter the cutoff shows bits.
        {"--set MmFilterType=0.14 --show MmFilterCutoff=0 --show MmFilterCutoff=1",
         "MmFilterCutoff\t16\tBit\nMmFilterCutoff\t1\tBit\n"},
    };
    for (const auto& s : shows) {
        r = run(s.args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, s.out);
    }
}

TEST_F(OrvaneRender, DemoIsDeterministicAndAudible)
{
    ASSERT_EQ(run("--quiet --demo " + quoted(dir / "demo1.wav")).status, 0);
    ASSERT_EQ(run("--quiet --demo " + quoted(dir / "demo2.wav")).status, 0);
    const Wav w = readWav(dir / "demo1.wav");
    EXPECT_TRUE(w.samples == readWav(dir / "demo2.wav").samples);
    EXPECT_EQ(w.rate, 48000);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.frames(), 8u * 48000u);
    double energy = 0.0;
    float peak = 0.0f;
    for (float x : w.samples) {
        ASSERT_TRUE(std::isfinite(x));
        energy += static_cast<double>(x) * x;
        peak = std::max(peak, std::fabs(x));
    }
    EXPECT_GT(energy / static_cast<double>(w.samples.size()), 1e-4);
    EXPECT_LT(peak, 1.5f);
}
