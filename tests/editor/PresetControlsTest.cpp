// The preset controls in a headless editor: menus, their choices, file dialogs, program
// stepping and the manual.
#include "EditorTestSupport.h"

#include "editor/PresetMenu.h"
#include "editor/PresetSelector.h"
#include "editor/UpDownPreset.h"
#include "engine/KsPlugin.h"
#include "platform/gui/COptionMenu.h"

namespace
{

using namespace edtest;

// Frame pixels inside the test skin's preset controls.
constexpr CPoint kSelectorMiddle{50, 32}, kSelectorNext{85, 32}, kSelectorPrevious{15, 32};
constexpr CPoint kMenuButton{50, 310};
constexpr CPoint kUpperHalf{350, 340}, kLowerHalf{350, 360};
// Top-level entries of the preset menu, counted after the bank submenus (with no bank, these are
// the indices themselves).
enum MenuEntry { kLoadBank = 1, kSaveBank, kLoadPreset, kSavePreset, kClearPreset, kReadManual = 7 };
constexpr const char* kWebManual = "https://www.tirsk-audio.com/TirskMenu.php?option=manual&Orvaneid=0.0";

struct Entry {
    std::string text;
    bool checked = false;
    std::vector<Entry> submenu;
};

std::vector<Entry> entriesOf(const COptionMenu& menu)
{
    std::vector<Entry> entries;
    for (int i = 0; i < menu.getNbEntries(); ++i) {
        Entry e{menu.isSeparator(i) ? "-" : menu.getEntryText(i), menu.isEntryChecked(i), {}};
        if (const COptionMenu* sub = menu.getSubMenu(i)) e.submenu = entriesOf(*sub);
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<std::string> textsOf(const std::vector<Entry>& entries)
{
    std::vector<std::string> texts;
    for (const Entry& e : entries)
        texts.push_back(e.text);
    return texts;
}

std::vector<int> checkedOf(const std::vector<Entry>& entries)
{
    std::vector<int> checked;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].checked) checked.push_back(static_cast<int>(i));
    return checked;
}

class PresetControlsTest : public EditorTest
{
  protected:
    fs::path dataFolder() const { return root / "home" / "Tirsk Audio" / "OrvaneData"; }

    // Bank files in the data folder, made by a shell of their own: program p of bank "X" is
    // named "X p" (empty where emptySlot says) and bank b's program 0 has "DistXcita" at 0.1 (b + 1).
    void writeBanks(const std::vector<std::string>& names, int emptySlot = -1)
    {
        for (const auto& file : fs::directory_iterator(dataFolder()))
            if (file.path().extension() == ".fxb") fs::remove(file.path());
        TestShell maker;
        const int xcita = maker.getEngine()->parameterIndex("DistXcita");
        for (std::size_t b = 0; b < names.size(); ++b) {
            for (int p = 0; p < KsPluginVST::kProgramSlots; ++p) {
                maker.setProgram(p);
                const std::string name = p == emptySlot ? "" : names[b] + " " + std::to_string(p);
                maker.setProgramName(name.c_str());
                maker.setParameter(xcita, p == 0 ? 0.1f * static_cast<float>(b + 1) : 0.0f);
            }
            ASSERT_TRUE(maker.saveBankFile((dataFolder() / (names[b] + ".fxb")).c_str()));
        }
    }

    // Presses and releases at a frame pixel; returns the entries of the menu that opened.
    static std::vector<Entry> click(Rig& rig, CPoint at, int buttons = kLButton)
    {
        std::vector<Entry> shown;
        rig.backend.onMenuOpened = [&](const COptionMenu& menu, CPoint) { shown = entriesOf(menu); };
        rig.frame()->handleMouseDown(at, buttons);
        rig.frame()->handleMouseUp(at, buttons);
        rig.backend.onMenuOpened = nullptr;
        return shown;
    }

    static std::string programName(Rig& rig)
    {
        char name[kVstTextSize] = {};
        rig.shell.getProgramNameIndexed(0, rig.shell.getProgram(), name);
        return name;
    }

    static float xcita(Rig& rig)
    {
        return rig.shell.getParameter(rig.shell.getEngine()->parameterIndex("DistXcita"));
    }

    void SetUp() override
    {
        EditorTest::SetUp();
        fs::create_directories(dataFolder());
    }
};

TEST_F(PresetControlsTest, SelectorMenuListsBanksThenCommandsThenPrograms)
{
    struct Case {
        std::vector<std::string> banks;
        std::vector<std::string> bankEntries;
    };
    const Case cases[] = {
        {{"Solo"}, {"Reload Bank"}},
        {{"A", "B", "C"}, {"Load Bank A", "Load Bank B", "Load Bank C"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.banks.size());
        writeBanks(c.banks);
        Rig rig;
        ASSERT_TRUE(rig.open());
        rig.shell.setProgram(5);
        const std::vector<Entry> shown = click(rig, kSelectorMiddle, kRButton);
        std::vector<std::string> expected = c.bankEntries;
        for (const char* text : {"Load Bank", "Save Bank", "Load Preset", "Save Preset", "Clear Preset", "-",
                                 "Read Manual", "-"})
            expected.push_back(text);
        char name[kVstTextSize];
        for (int p = 0; p < KsPluginVST::kProgramSlots; ++p) {
            rig.shell.getProgramNameIndexed(0, p, name);
            expected.push_back(name);
        }
        EXPECT_EQ(textsOf(shown), expected);
        EXPECT_EQ(checkedOf(shown), std::vector<int>{static_cast<int>(c.bankEntries.size()) + 8 + 5});
    }
}

TEST_F(PresetControlsTest, ArrowsStepOneProgramAndStopAtTheEnds)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    auto* selector = dynamic_cast<PresetSelector*>(
        rig.editor->getControl(rig.shell.getEngine()->parameterIndex("Unused")));
    auto* updown = dynamic_cast<UpDownPreset*>(
        rig.editor->getControl(rig.shell.getEngine()->parameterIndex("UpDownPreset")));
    ASSERT_NE(selector, nullptr);
    ASSERT_NE(updown, nullptr);
    EXPECT_EQ(selector->getArrowWidth(), 19); // 72 * 0.8 / 3
    struct Case {
        const char* what;
        CPoint at;
        int start, expected;
        int heldWhilePressed; // the selector's held arrow, or the up/down button's state
    };
    const Case cases[] = {
        {"next", kSelectorNext, 5, 6, 0},         {"previous", kSelectorPrevious, 5, 4, 1},
        {"next at 63", kSelectorNext, 63, 63, 0}, {"previous at 0", kSelectorPrevious, 0, 0, 1},
        {"upper half", kUpperHalf, 5, 4, 1},      {"lower half", kLowerHalf, 5, 6, 2},
        {"upper at 0", kUpperHalf, 0, 0, 1},      {"lower at 63", kLowerHalf, 63, 63, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.shell.setProgram(c.start);
        rig.frame()->handleMouseDown(c.at, kLButton);
        EXPECT_EQ(rig.shell.getProgram(), c.expected);
        const bool onSelector = c.at.y < 100;
        EXPECT_EQ(onSelector ? selector->getHeldArrow() : updown->getState(), c.heldWhilePressed);
        rig.frame()->handleMouseUp(c.at, kLButton);
        EXPECT_EQ(selector->getHeldArrow(), -1);
        EXPECT_EQ(updown->getState(), 0);
        EXPECT_EQ(updown->getHeldHalf(), -1);
    }
    // The selector's arrows refresh every control at once: the knob shows the new program's value.
    const int xcitaIndex = rig.shell.getEngine()->parameterIndex("DistXcita");
    rig.shell.setProgram(7);
    rig.shell.setParameter(xcitaIndex, 0.75f);
    rig.shell.setProgram(6);
    click(rig, kSelectorNext);
    EXPECT_FLOAT_EQ(rig.editor->getControl(xcitaIndex)->getValue(), 0.75f);
}

TEST_F(PresetControlsTest, SelectorChoicesLoadBanksAndSelectPrograms)
{
    writeBanks({"A", "B", "C"});
    Rig rig;
    ASSERT_TRUE(rig.open());
    EXPECT_EQ(rig.shell.getLoadedBank(), 0);
    const int firstProgram = 3 + 8;

    rig.backend.queueMenuAnswer({1}); // "Load Bank B"
    click(rig, kSelectorMiddle);
    EXPECT_EQ(rig.shell.getLoadedBank(), 1);
    EXPECT_EQ(programName(rig), "B 0");
    EXPECT_NEAR(xcita(rig), 0.2f, 1e-6);

    rig.backend.queueMenuAnswer({firstProgram + 10});
    click(rig, kSelectorMiddle);
    EXPECT_EQ(rig.shell.getProgram(), 10);
    EXPECT_EQ(programName(rig), "B 10");

    // Choosing the loaded bank reads it again: edits since are gone.
    rig.shell.setProgram(0);
    rig.shell.setParameter(rig.shell.getEngine()->parameterIndex("DistXcita"), 0.9f);
    rig.backend.queueMenuAnswer({1});
    click(rig, kSelectorMiddle);
    EXPECT_EQ(rig.shell.getLoadedBank(), 1);
    EXPECT_NEAR(xcita(rig), 0.2f, 1e-6);

    // A bank file that is gone leaves everything as it was.
    fs::remove(dataFolder() / "C.fxb");
    rig.backend.queueMenuAnswer({2});
    click(rig, kSelectorMiddle);
    EXPECT_EQ(rig.shell.getLoadedBank(), 1);
    EXPECT_EQ(programName(rig), "B 0");

    // "Load Bank" from a file: cancelled, nothing changes; loaded, no listed bank counts as
    // loaded any more, so that choosing "Load Bank B" afterwards reads B again.
    rig.backend.queueMenuAnswer({3 + 0});
    rig.backend.queueFileAnswer(std::nullopt);
    click(rig, kSelectorMiddle);
    EXPECT_EQ(rig.shell.getLoadedBank(), 1);
    rig.backend.queueMenuAnswer({3 + 0});
    rig.backend.queueFileAnswer((dataFolder() / "A.fxb").string());
    click(rig, kSelectorMiddle);
    EXPECT_EQ(rig.shell.getLoadedBank(), -1);
    EXPECT_EQ(programName(rig), "A 0");
    rig.backend.queueMenuAnswer({1});
    click(rig, kSelectorMiddle);
    EXPECT_EQ(programName(rig), "B 0");
    EXPECT_EQ(rig.backend.pendingMenuAnswers(), 0u);
    EXPECT_EQ(rig.backend.pendingFileAnswers(), 0u);
}

TEST_F(PresetControlsTest, PresetMenuShowsEveryBankWithItsPrograms)
{
    writeBanks({"A", "B"}, 1); // program 1 of both banks has no name
    Rig rig;
    ASSERT_TRUE(rig.open());
    rig.shell.setProgram(3);
    const std::vector<Entry> shown = click(rig, kMenuButton);
    EXPECT_EQ(textsOf(shown),
              (std::vector<std::string>{"*A", "B", "-", "Load Bank", "Save Bank", "Load Preset",
                                        "Save Preset", "Clear Preset", "-", "Read Manual"}));
    ASSERT_EQ(shown[0].submenu.size(), 63u);
    EXPECT_EQ(shown[0].submenu[0].text, "A 0");
    EXPECT_EQ(shown[0].submenu[1].text, "A 2");
    EXPECT_EQ(checkedOf(shown[0].submenu), std::vector<int>{2}); // program 3, after the unnamed one
    EXPECT_EQ(checkedOf(shown[1].submenu), std::vector<int>{});

    // An entry selects the program it names, even after an unnamed program.
    struct Case {
        std::vector<int> path;
        int bank, program;
        const char* name;
    };
    const Case cases[] = {
        {{0, 5}, 0, 6, "A 6"},
        {{1, 0}, 1, 0, "B 0"},
        {{1, 62}, 1, 63, "B 63"},
        {{}, 1, 63, "B 63"}, // cancelled
    };
    for (const Case& c : cases) {
        rig.backend.queueMenuAnswer(c.path);
        click(rig, kMenuButton);
        EXPECT_EQ(rig.shell.getLoadedBank(), c.bank);
        EXPECT_EQ(rig.shell.getProgram(), c.program);
        EXPECT_EQ(programName(rig), c.name);
    }
    // Choosing the loaded bank's programs keeps its unsaved edits.
    rig.shell.setParameter(rig.shell.getEngine()->parameterIndex("DistXcita"), 0.9f);
    rig.backend.queueMenuAnswer({1, 0});
    click(rig, kMenuButton);
    rig.backend.queueMenuAnswer({1, 62});
    click(rig, kMenuButton);
    EXPECT_NEAR(xcita(rig), 0.9f, 1e-6);
}

TEST_F(PresetControlsTest, FileCommandsUseTheirDialogs)
{
    writeBanks({"A"});
    Rig rig;
    ASSERT_TRUE(rig.open());
    std::vector<gui::FileDialogRequest> dialogs;
    rig.backend.onFileDialogOpened = [&](const gui::FileDialogRequest& r) { dialogs.push_back(r); };
    const std::string fxb("fxb files (*.fxb)\0*.fxb\0\0", 25), fxp("fxp files (*.fxp)\0*.fxp\0\0", 25);
    const fs::path lead = root / "Lead Pad.fxp";
    const fs::path saved = root / "Saved.fxb";
    struct Case {
        const char* what;
        int entry;
        std::optional<std::string> answer;
        const char* title;
        bool save;
        const std::string& filter;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"save preset", kSavePreset, lead.string(), "Save fxp File", true, fxp,
         [&] {
             EXPECT_TRUE(fs::exists(lead));
             EXPECT_EQ(programName(rig), "Lead Pad");
         }},
        {"clear preset", kClearPreset, std::nullopt, nullptr, false, fxp,
         [&] { EXPECT_EQ(programName(rig), "blank"); }},
        {"load preset", kLoadPreset, lead.string(), "Load fxp File", false, fxp,
         [&] { EXPECT_EQ(programName(rig), "Lead Pad"); }},
        {"save bank, extension added", kSaveBank, (root / "Saved").string(), "Save fxb File", true, fxb,
         [&] { EXPECT_TRUE(fs::exists(saved)); }},
        {"save preset cancelled", kSavePreset, std::nullopt, "Save fxp File", true, fxp,
         [&] { EXPECT_EQ(programName(rig), "Lead Pad"); }},
        {"load bank cancelled forgets the loaded bank", kLoadBank, std::nullopt, "Load fxb File", false, fxb,
         [&] { EXPECT_EQ(rig.shell.getLoadedBank(), -1); }},
        {"load bank not a bank", kLoadBank, lead.string(), "Load fxb File", false, fxb,
         [&] { EXPECT_EQ(programName(rig), "Lead Pad"); }},
        {"load bank", kLoadBank, (dataFolder() / "A.fxb").string(), "Load fxb File", false, fxb,
         [&] { EXPECT_EQ(programName(rig), "A 0"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.clear();
        rig.backend.queueMenuAnswer({1 + c.entry}); // after the one bank's submenu
        if (c.title) rig.backend.queueFileAnswer(c.answer);
        click(rig, kMenuButton);
        ASSERT_EQ(dialogs.size(), c.title ? 1u : 0u);
        if (c.title) {
            EXPECT_EQ(dialogs[0].title, c.title);
            EXPECT_EQ(dialogs[0].save, c.save);
            EXPECT_EQ(dialogs[0].filter, c.filter);
            EXPECT_EQ(dialogs[0].defaultExtension, !c.save ? "" : c.filter == fxb ? "fxb" : "fxp");
        }
        c.check();
    }
}

TEST_F(PresetControlsTest, ReadManualOpensTheInstalledManualElseTheWebPage)
{
    Rig rig; // no bank in the data folder
    ASSERT_TRUE(rig.open());
    const fs::path manual = root / "factory" / KsEditor::kManualFile;
    struct Case {
        bool installed;
        CPoint at;
        std::vector<int> path;
    };
    const Case cases[] = {
        {false, kMenuButton, {kReadManual}},
        {false, kSelectorMiddle, {6}},
        {true, kMenuButton, {kReadManual}},
        {true, kSelectorMiddle, {6}},
    };
    for (const Case& c : cases) {
        if (c.installed) writeText(manual, "<html></html>");
        rig.backend.queueMenuAnswer(c.path);
        click(rig, c.at);
        ASSERT_FALSE(rig.backend.openedUrls().empty());
        EXPECT_EQ(rig.backend.openedUrls().back(), c.installed ? manual.string() : std::string(kWebManual));
    }
    EXPECT_EQ(rig.backend.openedUrls().size(), 4u);
}

TEST(PresetManual, TheBuildWritesTheManualBesideTheFactoryContent)
{
    std::ifstream in(fs::path(ORVANE_BINARY_DIR) / "data" / KsEditor::kManualFile);
    ASSERT_TRUE(in) << "the build did not write the manual";
    const std::string html((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(html.find("<title>Orvane user manual</title>"), std::string::npos);
    EXPECT_NE(html.find("<h2>Programs, banks and presets</h2>"), std::string::npos);
    EXPECT_NE(html.find("</html>"), std::string::npos);
}

TEST_F(PresetControlsTest, ControlsDrawTheirBitmapFrames)
{
    // A three-frame plate: red, green, blue from the top.
    gui::RgbaImage plate = solid(80, 72, 255, 0, 0);
    for (int y = 24; y < 72; ++y)
        for (int x = 0; x < 80; ++x) {
            std::uint8_t* px = &plate.pixels[(static_cast<std::size_t>(y) * 80 + x) * 4];
            px[0] = 0, px[1] = y < 48 ? 255 : 0, px[2] = y < 48 ? 0 : 255;
        }
    gui::writePng((skin / "Plate.png").string(), plate);
    Rig rig;
    ASSERT_TRUE(rig.open());
    const CColor red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255};
    EXPECT_EQ(rig.parent.pixel(kSelectorMiddle.x, kSelectorMiddle.y), red);
    EXPECT_EQ(rig.parent.pixel(kUpperHalf.x, kUpperHalf.y), red);
    rig.shell.setProgram(5);
    struct Case {
        CPoint at;
        CColor pressed;
    };
    for (const Case& c : {Case{kUpperHalf, green}, Case{kLowerHalf, blue}}) {
        rig.frame()->handleMouseDown(c.at, kLButton);
        rig.frame()->redrawDirty();
        EXPECT_EQ(rig.parent.pixel(kLowerHalf.x, kLowerHalf.y), c.pressed);
        rig.frame()->handleMouseUp(c.at, kLButton);
        rig.frame()->redrawDirty();
        EXPECT_EQ(rig.parent.pixel(kLowerHalf.x, kLowerHalf.y), red);
    }
}

} // namespace
