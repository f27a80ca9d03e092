// orvane-render as a host of the plug-in shell: banks, programs, presets, saves and MIDI files.
#include "RenderToolSupport.h"

#include <algorithm>
#include <cstdlib>

namespace
{

const fs::path kFactoryBank = fs::path(ORVANE_BINARY_DIR) / "data" / "00 Factory.fxb";

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        result.push_back(text.substr(start, end - start));
    return result;
}

} // namespace

TEST_F(OrvaneRender, BanksProgramsAndPresetsWithoutAudio)
{
    ASSERT_TRUE(fs::exists(kFactoryBank));
    fs::copy_file(kFactoryBank, dir / "factory" / kFactoryBank.filename());

    // --program without --bank takes the data folder's bank 0, seeded on first use.
    RunResult r = run("--program 2 --save-bank " + quoted(dir / "copy.fxb") + " --save-preset " +
                      quoted(dir / "Third.fxp"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "home" / "Tirsk Audio" / "OrvaneData" / kFactoryBank.filename()));

    // Without --program the current program is set to the product defaults and named after them;
    // the other programs keep the factory bank's names.
    r = run("--save-bank " + quoted(dir / "defaults.fxb"));
    ASSERT_EQ(r.status, 0) << r.err;
    r = run("--bank " + quoted(dir / "defaults.fxb") + " --list-programs");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto defaultNames = lines(r.out);
    ASSERT_EQ(defaultNames.size(), 64u);
    EXPECT_EQ(defaultNames[0], " 0  Init");
    EXPECT_EQ(defaultNames[1].find("Init"), std::string::npos) << defaultNames[1];

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
    const RunResult fromPreset = run("--preset " + quoted(dir / "Third.fxp") + " --print-state");
    const RunResult fromBank = run("--bank " + quoted(dir / "copy.fxb") + " --program 2 --print-state");
    const RunResult defaults = run("--print-state");
    ASSERT_EQ(fromPreset.status, 0) << fromPreset.err;
    EXPECT_EQ(fromPreset.out, fromBank.out);
    EXPECT_NE(fromPreset.out, defaults.out);
    // Without a program source the data folder's bank does not matter: product defaults, as before.
    fs::remove_all(dir / "home");
    fs::remove(dir / "factory" / kFactoryBank.filename());
    EXPECT_EQ(run("--print-state").out, defaults.out);
}

TEST_F(OrvaneRender, MidiFileEventsArriveInTheirBlock)
{
    // One beat (24000 frames at 120 bpm) in, controller 18 ("MasterOn") goes to 0: from then on
    // the shell passes the input through unchanged.
    const std::uint8_t track[] = {0x83, 0x60, 0xB0, 18, 0, 0x00, 0xFF, 0x2F, 0x00}; // delta 480
    std::vector<std::uint8_t> smf = {'M', 'T',  'h',  'd', 0,   0,   0,   6, 0, 0, 0,
                                     1,   0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, sizeof track};
    smf.insert(smf.end(), std::begin(track), std::end(track));
    writeFile(dir / "off.mid", smf);
    writeWav(dir / "in.wav", 2, 48000, std::vector<float>(96000, 0.25f));
    const RunResult r = run("--quiet --block 512 --midi " + quoted(dir / "off.mid") + " " +
                            quoted(dir / "in.wav") + " " + quoted(dir / "out.wav"));
    ASSERT_EQ(r.status, 0) << r.err;
    const Wav out = readWav(dir / "out.wav");
    ASSERT_EQ(out.samples.size(), 2u * 48000u);
    const float in = static_cast<float>(std::lround(0.25f * 32767.0f)) / 32768.0f;
    // Before the event the engine runs (a gain of 1.0027); from the block after it, pass-through.
    EXPECT_NEAR(out.samples[2 * 20000], in * kUnityGain, 1e-5);
    EXPECT_NE(out.samples[2 * 20000], in);
    const std::size_t after = (24000 / 512 + 1) * 512;
    for (std::size_t frame = after; frame < 48000; frame += 97)
        ASSERT_EQ(out.samples[2 * frame], in) << frame;
}
