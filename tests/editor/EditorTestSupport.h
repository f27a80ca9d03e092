// Editor test set-up: a private data folder holding a small skin, a shell, a headless window.
#pragma once

#include "editor/KsEditor.h"
#include "platform/gui/COptionMenu.h"
#include "platform/gui/HeadlessBackend.h"
#include "platform/gui/PngImage.h"
#include "shell/OrvaneVST.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace edtest
{

namespace fs = std::filesystem;

inline gui::RgbaImage solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    gui::RgbaImage image;
    image.width = w;
    image.height = h;
    image.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4)
        image.pixels[i] = r, image.pixels[i + 1] = g, image.pixels[i + 2] = b, image.pixels[i + 3] = 255;
    return image;
}

// A menu as "text" entries, "[x]text" when checked, "-" for a separator, "text>a>b" with a submenu.
inline std::vector<std::string> shownEntries(const COptionMenu& menu)
{
    std::vector<std::string> entries;
    for (int i = 0; i < menu.getNbEntries(); ++i) {
        std::string e =
            (menu.isEntryChecked(i) ? "[x]" : "") + (menu.isSeparator(i) ? "-" : menu.getEntryText(i));
        if (const COptionMenu* sub = menu.getSubMenu(i))
            for (const std::string& s : shownEntries(*sub))
                e += ">" + s;
        entries.push_back(e);
    }
    return entries;
}

inline std::string joined(const std::vector<std::string>& words, const char* separator = "|")
{
    std::string out;
    for (const std::string& w : words)
        out += (out.empty() ? "" : separator) + w;
    return out;
}

// Presses and releases at a frame pixel.
inline void click(CFrame& frame, CPoint at, int buttons = kLButton)
{
    frame.handleMouseDown(at, buttons);
    frame.handleMouseUp(at, buttons);
}

// What a recording host was told: automation, begin and end of edits.
struct HostCall {
    VstInt32 opcode, index;
    float value;
};
inline std::vector<HostCall> hostCalls;
inline VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float value)
{
    if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit)
        hostCalls.push_back({opcode, index, value});
    return 0;
}

// Every section, a font whose run holds a space, a page, and controls of several kinds.
inline const std::string kDescription =
    "A test skin.\n"
    "BITMAPS\nBackground Knob Switch Kick Handle Plate Page Font\n---------\n"
    "FONTS\nFont 4 a b. 3 2 5 4\n---------\n"
    "PARAMETERS\nGap 12\nLow -5\nStop -32768\nLate 9\n---------\n"
    "PAGES\nSeq - Page - 100 200 300 260\n---------\n"
    "CONTROLS\n"
    "DistXcita Knob Knob Main 100 100 0 0\n"
    "DistOn OnButton Switch Main 50 60 0 0\n"
    "Randomize KickButton Kick Main 150 60 0 0\n"
    "MasterVolume VSlider Handle Main 200 100 200 180\n"
    "PanShape Selector Plate Main 300 300 0 0\n"
    "Unused PresetSelector Plate Main 10 20 90 44\n"
    "LevelMeterL VuMeter Plate Main 400 10 412 110\n"
    "GlobalMenu PresetMenu Plate Main 20 300 80 320\n"
    "UpDownPreset UpDownPreset Plate Main 350 350 0 0\n"
    "InfoLink WebLink Plate Main 420 300 480 320\n"
    "MorphSquare SomethingNew Plate Main 10 10 20 20\n"
    "Dummy None Plate Main 0 0 0 0\n"
    "SeqAttack Knob Knob Seq 140 230 0 0\n"
    "---------\nFree text after the end.\n";

// A fresh data folder per test; the editor's skin folder inside it holds the test skin.
class EditorTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = fs::path(ORVANE_BINARY_DIR) / "test-scratch" / "editor" /
               (std::string(info->test_suite_name()) + "." + info->name());
        fs::remove_all(root);
        fs::create_directories(root / "factory");
        setenv("XDG_DATA_HOME", (root / "home").c_str(), 1);
        setenv("ORVANE_FACTORY_DIR", (root / "factory").c_str(), 1);
        skin = root / "home" / "Tirsk Audio" / "OrvaneData" / "Skins" / "default";
        writeSkin(skin);
    }
    void TearDown() override
    {
        unsetenv("ORVANE_FACTORY_DIR");
        hostCalls.clear();
    }

    static void writeSkin(const fs::path& folder, const std::string& description = kDescription)
    {
        fs::create_directories(folder);
        gui::writePng((folder / "Background.png").string(), solid(500, 400, 20, 30, 40));
        gui::writePng((folder / "Knob.png").string(), solid(40, 2400, 200, 100, 0));
        gui::writePng((folder / "Switch.png").string(), solid(30, 40, 0, 200, 0));
        gui::writePng((folder / "Kick.png").string(), solid(60, 48, 0, 0, 200));
        gui::writePng((folder / "Handle.png").string(), solid(24, 14, 250, 250, 250));
        gui::writePng((folder / "Plate.png").string(), solid(80, 72, 90, 90, 90));
        gui::writePng((folder / "Page.png").string(), solid(200, 60, 60, 0, 60));
        gui::writePng((folder / "Font.png").string(), solid(14, 10, 255, 255, 255));
        writeText(folder / "SkinParameters.txt", description);
    }

    static void writeText(const fs::path& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }

    fs::path root;
    fs::path skin;
};

// A product shell that lets the test give it an editor (no editor of its own).
class TestShell : public OrvaneVST
{
  public:
    explicit TestShell(audioMasterCallback host = nullptr) : OrvaneVST(host) {}
    template <class Editor = KsEditor> Editor* makeEditor()
    {
        auto* made = new Editor(this, getEngine());
        attachEditor(made);
        return made;
    }
};

// A shell with its editor (the base editor, or the product's) and a headless window to open it in.
template <class Editor> struct EditorRig {
    explicit EditorRig(audioMasterCallback host = nullptr) : shell(host), editor(shell.makeEditor<Editor>())
    {
        editor->setBackend(&backend);
    }
    ~EditorRig() { editor->close(); }
    bool open() { return editor->open(&parent); }
    CFrame* frame() const { return editor->getFrame(); }
    int index(const char* name) const { return shell.getEngine()->parameterIndex(name); }
    CControl* control(const char* name) const { return editor->getControl(index(name)); }

    gui::HeadlessBackend backend;
    gui::HeadlessParent parent;
    TestShell shell;
    Editor* editor;
};
using Rig = EditorRig<KsEditor>;

} // namespace edtest
