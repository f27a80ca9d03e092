// orvane-render as a host of the plug-in shell: banks, programs, presets and saves.
#include "RenderToolSupport.h"

TEST_F(OrvaneRender, BanksProgramsAndPresetsWithoutAudio)
{
    const fs::path factoryBank = fs::path(ORVANE_BINARY_DIR) / "data" / "00 Factory.fxb";
    ASSERT_TRUE(fs::exists(factoryBank));
    fs::copy_file(factoryBank, dir / "factory" / factoryBank.filename());

    // --program without --bank takes the data folder's bank 0, seeded on first use.
    RunResult r = run("--program 2 --save-bank " + quoted(dir / "copy.fxb") + " --save-preset " +
                      quoted(dir / "Third.fxp"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "home" / "Tirsk Audio" / "OrvaneData" / factoryBank.filename()));

    r = run("--bank " + quoted(dir / "copy.fxb") + " --list-programs");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 64);
    EXPECT_EQ(r.out.substr(0, 4), " 0  ");
    // The saved preset renamed program 2 before the bank was saved.
    EXPECT_NE(r.out.find("\n 2  Third\n"), std::string::npos) << r.out;
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
}
