// The preset controls in a headless editor: menus, their choices, file dialogs, program
// stepping and the manual.
#include "EditorTestSupport.h"

#include "engine/KsPlugin.h"

namespace
{

using namespace edtest;

// Frame pixels inside the test skin's preset selector, preset menu and up/down button.
constexpr CPoint kMiddle{50, 32}, kNext{85, 32}, kPrevious{15, 32}, kMenu{50, 310}, kUp{350, 340},
    kDown{350, 360};
// Preset-menu entries counted after the bank submenus; "Read Manual" in the selector's menu.
constexpr int kLoadBank = 1, kSaveBank = 2, kLoadPreset = 3, kSavePreset = 4, kClearPreset = 5,
              kReadManual = 7, kSelectorManual = 6;

class PresetControlsTest : public EditorTest
{
  protected:
    fs::path data() const { return root / "home" / "Tirsk Audio" / "OrvaneData"; }

    // Bank files made by a shell of their own: program p of bank "X" is named "X p" (except the
    // unnamed slot), and bank b's program 0 has "DistXcita" at 0.1 (b + 1).
    void writeBanks(const std::vector<std::string>& names, int unnamedSlot = -1)
    {
        fs::create_directories(data());
        for (const auto& file : fs::directory_iterator(data()))
            if (file.path().extension() == ".fxb") fs::remove(file.path());
        TestShell maker;
        for (std::size_t b = 0; b < names.size(); ++b) {
            for (int p = 0; p < KsPluginVST::kProgramSlots; ++p) {
                maker.setProgram(p);
                maker.setProgramName(p == unnamedSlot ? "" : (names[b] + " " + std::to_string(p)).c_str());
                maker.setParameter(xcitaIndex(maker), p == 0 ? 0.1f * static_cast<float>(b + 1) : 0.0f);
            }
            ASSERT_TRUE(maker.saveBankFile((data() / (names[b] + ".fxb")).c_str()));
        }
    }

    // Presses and releases at a frame pixel, answering the popup with path; returns what it showed.
    static std::vector<std::string> click(Rig& rig, CPoint at, std::vector<int> path = {},
                                          int buttons = kLButton)
    {
        std::vector<std::string> shown;
        rig.backend.onMenuOpened = [&](const COptionMenu& menu, CPoint) { shown = shownEntries(menu); };
        rig.backend.queueMenuAnswer(std::move(path));
        edtest::click(*rig.frame(), at, buttons);
        return shown;
    }

    static int xcitaIndex(KsPluginVST& shell) { return shell.getEngine()->parameterIndex("DistXcita"); }
    static std::string program(Rig& rig)
    {
        char name[kVstTextSize] = {};
        rig.shell.getProgramNameIndexed(0, rig.shell.getProgram(), name);
        return std::to_string(rig.shell.getLoadedBank()) + ":" + name;
    }
};

TEST_F(PresetControlsTest, SelectorMenuListsBanksThenCommandsThenPrograms)
{
    const std::vector<std::string> commands = {"Load Bank",    "Save Bank", "Load Preset", "Save Preset",
                                               "Clear Preset", "-",         "Read Manual", "-"};
    using Names = std::vector<std::string>;
    for (const auto& [banks, bankEntries] : // banks written, their entries (three banks stay)
         {std::pair<Names, Names>{{"Solo"}, {"Reload Bank"}},
          {{"A", "B", "C"}, {"Load Bank A", "Load Bank B", "Load Bank C"}}}) {
        writeBanks(banks);
        Rig rig;
        ASSERT_TRUE(rig.open());
        rig.shell.setProgram(5);
        std::vector<std::string> expected = bankEntries;
        expected.insert(expected.end(), commands.begin(), commands.end());
        char name[kVstTextSize];
        for (int p = 0; p < KsPluginVST::kProgramSlots; ++p) {
            rig.shell.getProgramNameIndexed(0, p, name);
            expected.push_back((p == 5 ? "[x]" : "") + std::string(name));
        }
        EXPECT_EQ(click(rig, kMiddle, {}, kRButton), expected);
    }
    // Past "Z" the banks are lettered "AA", "AB", ...
    for (int b = 3; b < 28; ++b) { // 28 banks in all
        fs::path copy = data() / "C";
        copy += std::to_string(b + 10);
        fs::copy_file(data() / "C.fxb", copy += ".fxb");
    }
    Rig rig;
    ASSERT_TRUE(rig.open());
    const std::vector<std::string> shown = click(rig, kMiddle);
    ASSERT_GT(shown.size(), 28u);
    const char* const expected[] = {"Load Bank Y", "Load Bank Z", "Load Bank AA", "Load Bank AB",
                                    "Load Bank"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(shown[24 + i], expected[i]) << i;
}

TEST_F(PresetControlsTest, ArrowsStepOneProgramStopAtTheEndsAndShowThePressedHalf)
{
    // A three-frame plate: red, green, blue from the top.
    gui::RgbaImage plate = solid(80, 72, 255, 0, 0);
    for (std::size_t i = 24 * 80 * 4; i < plate.pixels.size(); i += 4)
        plate.pixels[i] = 0, plate.pixels[i + (i < 48 * 80 * 4 ? 1 : 2)] = 255;
    gui::writePng((skin / "Plate.png").string(), plate);
    Rig rig;
    ASSERT_TRUE(rig.open());
    const CColor red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255};
    // Where, the program before and after, the up/down button's colour while pressed.
    const std::tuple<CPoint, int, int, CColor> cases[] = {
        {kNext, 5, 6, red}, {kPrevious, 0, 0, red}, {kUp, 5, 4, green}, {kDown, 63, 63, blue}};
    for (const auto& [at, start, expected, buttonWhilePressed] : cases) {
        SCOPED_TRACE(start);
        rig.shell.setProgram(start);
        rig.frame()->handleMouseDown(at, kLButton);
        rig.frame()->redrawDirty();
        EXPECT_EQ(rig.shell.getProgram(), expected);
        EXPECT_EQ(rig.parent.pixel(kDown.x, kDown.y), buttonWhilePressed);
        rig.frame()->handleMouseUp(at, kLButton);
        rig.frame()->redrawDirty();
        EXPECT_EQ(rig.parent.pixel(kDown.x, kDown.y), red);
        EXPECT_EQ(rig.parent.pixel(kMiddle.x, kMiddle.y), red);
    }
    // The selector's arrows refresh every control at once.
    rig.shell.setProgram(7);
    rig.shell.setParameter(xcitaIndex(rig.shell), 0.75f);
    rig.shell.setProgram(6);
    click(rig, kNext);
    EXPECT_FLOAT_EQ(rig.editor->getControl(xcitaIndex(rig.shell))->getValue(), 0.75f);
}

TEST_F(PresetControlsTest, SelectorChoicesLoadBanksAndSelectPrograms)
{
    writeBanks({"A", "B", "C"});
    Rig rig;
    ASSERT_TRUE(rig.open());
    // What, the menu path, the file dialog's answer, the program after, and "DistXcita": an edit of 0.9
    // made before the choice stays only when nothing was loaded.
    const std::tuple<const char*, std::vector<int>, std::optional<std::string>, std::string, float> cases[] =
        {
            {"Load Bank B", {1}, {}, "1:B 0", 0.2f},
            {"a program", {3 + 8 + 10}, {}, "1:B 10", 0.0f},
            {"a bank from a file, cancelled", {3 + 0}, std::nullopt, "1:B 10", 0.9f},
            {"a bank from a file: no listed bank is loaded",
             {3 + 0},
             (data() / "C.fxb").string(),
             "-1:C 0",
             0.3f},
            {"a listed bank after it", {1}, {}, "1:B 0", 0.2f},
        };
    for (const auto& [what, path, file, expected, xcita] : cases) {
        SCOPED_TRACE(what);
        rig.shell.setParameter(xcitaIndex(rig.shell), 0.9f);
        if (path[0] == 3) rig.backend.queueFileAnswer(file);
        click(rig, kMiddle, path);
        EXPECT_EQ(program(rig), expected);
        EXPECT_NEAR(rig.shell.getParameter(xcitaIndex(rig.shell)), xcita, 1e-6);
    }
}

TEST_F(PresetControlsTest, PresetMenuShowsEveryBankWithItsPrograms)
{
    writeBanks({"A", "B"}, 1); // program 1 of both banks has no name
    Rig rig;
    ASSERT_TRUE(rig.open());
    rig.shell.setProgram(3);
    const std::vector<std::string> shown = click(rig, kMenu);
    ASSERT_EQ(shown.size(), 10u);
    EXPECT_EQ(shown[0].substr(0, 22), "*A>A 0>A 2>[x]A 3>A 4>"); // the unnamed program has no entry
    EXPECT_EQ(shown[1].substr(0, 14), "B>B 0>B 2>B 3>");
    EXPECT_EQ(shown[1].find("[x]"), std::string::npos);
    EXPECT_EQ(std::vector<std::string>(shown.begin() + 2, shown.end()),
              (std::vector<std::string>{"-", "Load Bank", "Save Bank", "Load Preset", "Save Preset",
                                        "Clear Preset", "-", "Read Manual"}));
    // An entry selects the program it names, also after the unnamed one; choosing in the loaded
    // bank keeps its edits.
    for (const auto& [path, expected] :
         {std::pair<std::vector<int>, std::string>{{0, 5}, "0:A 6"}, {{1, 62}, "1:B 63"}, {{}, "1:B 63"}})
        EXPECT_EQ((click(rig, kMenu, path), program(rig)), expected);
    rig.shell.setParameter(xcitaIndex(rig.shell), 0.9f);
    click(rig, kMenu, {1, 0});
    click(rig, kMenu, {1, 62});
    EXPECT_NEAR(rig.shell.getParameter(xcitaIndex(rig.shell)), 0.9f, 1e-6);
}

TEST_F(PresetControlsTest, FileCommandsUseTheirDialogs)
{
    writeBanks({"A"});
    Rig rig;
    ASSERT_TRUE(rig.open());
    std::string dialog;
    rig.backend.onFileDialogOpened = [&](const gui::FileDialogRequest& r) {
        dialog = r.title + "|" + r.defaultExtension + "|" + r.filter;
    };
    const std::string fxb("|fxb files (*.fxb)\0*.fxb\0\0", 26), fxp("|fxp files (*.fxp)\0*.fxp\0\0", 26);
    const std::string lead = (root / "Lead Pad.fxp").string();
    // what, entry, answer, the dialog shown, the program after
    const std::tuple<const char*, int, std::optional<std::string>, std::string, std::string> cases[] = {
        {"save preset", kSavePreset, lead, "Save fxp File|fxp" + fxp, "0:Lead Pad"},
        {"clear preset", kClearPreset, {}, "", "0:blank"},
        {"load preset", kLoadPreset, lead, "Load fxp File|" + fxp, "0:Lead Pad"},
        {"save bank adds the extension", kSaveBank, (root / "Saved").string(), "Save fxb File|fxb" + fxb,
         "0:Lead Pad"},
        {"load bank, cancelled: the bank counts as not loaded", kLoadBank, std::nullopt,
         "Load fxb File|" + fxb, "-1:Lead Pad"},
        {"load bank refuses a preset", kLoadBank, lead, "Load fxb File|" + fxb, "-1:Lead Pad"},
        {"load bank", kLoadBank, (data() / "A.fxb").string(), "Load fxb File|" + fxb, "-1:A 0"},
    };
    for (const auto& [what, entry, answer, expectedDialog, expected] : cases) {
        SCOPED_TRACE(what);
        dialog.clear();
        if (!expectedDialog.empty()) rig.backend.queueFileAnswer(answer);
        click(rig, kMenu, {1 + entry});
        EXPECT_EQ(dialog, expectedDialog);
        EXPECT_EQ(program(rig), expected);
    }
    EXPECT_TRUE(fs::exists(root / "Saved.fxb"));
}

TEST_F(PresetControlsTest, ReadManualOpensTheInstalledManualElseTheWebPage)
{
    Rig rig; // no bank in the data folder
    ASSERT_TRUE(rig.open());
    const fs::path manual = root / "factory" / KsEditor::kManualFile;
    click(rig, kMenu, {kReadManual});
    click(rig, kMiddle, {kSelectorManual});
    writeText(manual, "<html></html>");
    click(rig, kMenu, {kReadManual});
    click(rig, kMiddle, {kSelectorManual});
    const std::string web = "https://www.tirsk-audio.com/TirskMenu.php?option=manual&Orvaneid=0.0";
    EXPECT_EQ(rig.backend.openedUrls(),
              (std::vector<std::string>{web, web, manual.string(), manual.string()}));
}

} // namespace
