// The base editor with the small test skin: loading, control placement, the parameter paths between
// host, engine and controls, and the seeding of the user's skin.
#include "EditorTestSupport.h"

#include "editor/OrvaneEditor.h"
#include "engine/KsPlugin.h"
#include "platform/gui/CAnimKnob.h"

#include <functional>

namespace
{

using namespace edtest;

TEST_F(EditorTest, OpensTheSkinAndReadsItsTables)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    // The font keeps the space inside its run as a glyph; offsets are the running sums.
    const SkinFont* font = rig.editor->getSkinFont("Font");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyphOf(' '), 1);
    EXPECT_EQ(font->offsets[3], 10);
    EXPECT_EQ(rig.editor->getSkinParameter("Low"), -5);
    EXPECT_EQ(rig.editor->getSkinParameter("gap"), -32768); // names are case-sensitive

    // An unknown kind and "None" leave their slots empty; the rest are bound.
    EXPECT_EQ(rig.control("MorphSquare"), nullptr);
    EXPECT_EQ(rig.control("Dummy"), nullptr);
    EXPECT_NE(rig.control("DistXcita"), nullptr);
}

TEST_F(EditorTest, ControlRectanglesPerKind)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    const std::tuple<const char*, CRect> cases[] = {
        {"DistXcita", {80, 80, 120, 120}},     // knob 40 x 2400: 40 x 40 centred
        {"DistOn", {35, 50, 65, 70}},          // on/off 30 x 40: one state, centred
        {"MasterVolume", {188, 93, 212, 187}}, // slider: the travel's ends plus half the handle
        {"PanShape", {260, 288, 340, 312}},    // selector: a third of the bitmap's height
        {"LevelMeterL", {400, 10, 412, 110}},  // the remaining kinds take the rectangle as given
        {"SeqAttack", {20, 10, 60, 50}},       // on page "Seq" at (100, 200): page coordinates
    };
    for (const auto& [parameter, rect] : cases) {
        const CControl* control = rig.control(parameter);
        ASSERT_NE(control, nullptr) << parameter;
        EXPECT_EQ(control->getViewSize(), rect) << parameter;
    }
    auto* knob = dynamic_cast<CAnimKnob*>(rig.control("DistXcita"));
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(knob->getFrameCount(), 60);
    EXPECT_FLOAT_EQ(knob->getValue(), rig.shell.getParameter(rig.index("DistXcita")));
}

TEST_F(EditorTest, EveryLoadFailureRefusesTheOpen)
{
    using Spoil = std::function<void(const fs::path&)>;
    // Writes the test description with one piece of it replaced.
    const auto edit = [](const std::string& from, const std::string& to) -> Spoil {
        return [=](const fs::path& s) {
            std::string text = kDescription;
            writeText(s / "SkinParameters.txt", text.replace(text.find(from), from.size(), to));
        };
    };
    const std::tuple<const char*, Spoil> cases[] = {
        {"no description", [](const fs::path& s) { fs::remove(s / "SkinParameters.txt"); }},
        {"a truncated PNG",
         [](const fs::path& s) { fs::resize_file(s / "Plate.png", fs::file_size(s / "Plate.png") / 2); }},
        {"a page with an unknown bitmap", edit("- Page -", "- Nope -")},
        {"a control on an unknown page", edit("Knob Knob Seq", "Knob Knob Sequ")},
        {"the PAGES header missing", edit("PAGES", "PAGE")},
    };
    for (const auto& [what, spoil] : cases) {
        SCOPED_TRACE(what);
        fs::remove_all(skin);
        writeSkin(skin);
        spoil(skin);
        Rig rig;
        EXPECT_FALSE(rig.open());
        EXPECT_FALSE(rig.editor->isEditorOpen());
        EXPECT_EQ(rig.frame(), nullptr);
        EXPECT_EQ(rig.editor->getBitmapCount(), 0);
        // A failed load leaves the skin unusable, even once the files are good again.
        fs::remove_all(skin);
        writeSkin(skin);
        EXPECT_FALSE(rig.open());
    }
}

TEST_F(EditorTest, EachOpenReloadsTheBitmapsFromDisk)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    EXPECT_EQ(rig.parent.pixel(5, 5), (CColor{20, 30, 40, 255}));
    rig.editor->close();
    EXPECT_EQ(rig.editor->getBitmapCount(), 0);
    gui::writePng((skin / "Background.png").string(), solid(500, 400, 200, 10, 10));
    ASSERT_TRUE(rig.open());
    EXPECT_EQ(rig.parent.pixel(5, 5), (CColor{200, 10, 10, 255}));
    rig.editor->close();
    for (int i = 0; i < 1000; ++i) { // nothing piles up
        ASSERT_TRUE(rig.open()) << i;
        ASSERT_EQ(rig.editor->getBitmapCount(), 8);
        rig.editor->close();
    }
    EXPECT_EQ(rig.parent.frame, nullptr);
}

TEST_F(EditorTest, DefaultSkinIsSeededWhenMissingAndRefreshedOnlyWhileUnchanged)
{
    const fs::path factory = root / "factory" / "Skins" / "default";
    std::string description = kDescription;
    description.replace(description.find("Gap 12"), 6, "Gap 99");
    writeSkin(factory, description);
    {
        // The user's own skin stays as it is.
        Rig rig;
        ASSERT_TRUE(rig.open());
        EXPECT_EQ(rig.editor->getSkinParameter("Gap"), 12);
    }
    fs::remove_all(skin);
    const auto gapShown = [] {
        Rig rig;
        EXPECT_TRUE(rig.open());
        return rig.editor->getSkinParameter("Gap");
    };
    EXPECT_EQ(gapShown(), 99);
    EXPECT_TRUE(fs::exists(skin / "Knob.png"));
    // A new installation's skin replaces the unchanged seed...
    description.replace(description.find("Gap 99"), 6, "Gap 77");
    writeText(factory / "SkinParameters.txt", description);
    EXPECT_EQ(gapShown(), 77);
    // ...but not a seed the user has changed since.
    std::string changed = description;
    changed.replace(changed.find("Gap 77"), 6, "Gap 55");
    writeText(skin / "SkinParameters.txt", changed);
    description.replace(description.find("Gap 77"), 6, "Gap 66");
    writeText(factory / "SkinParameters.txt", description);
    EXPECT_EQ(gapShown(), 55);
    // A built-in skin copied before seeds were recorded is replaced as well.
    fs::remove(skin / "Seeded.txt");
    writeText(skin / "SkinParameters.txt", "The built-in skin of an earlier version.\n" + changed);
    EXPECT_EQ(gapShown(), 66);
}

TEST_F(EditorTest, HostChangesReachTheControlInTheNextIdle)
{
    Rig rig;
    ASSERT_TRUE(rig.open());
    const int xcita = rig.index("DistXcita");
    CControl* knob = rig.editor->getControl(xcita);
    const float before = knob->getValue();
    rig.shell.setParameter(xcita, 0.25f);
    EXPECT_FLOAT_EQ(knob->getValue(), before); // nothing touches the control on the thread of the change
    rig.editor->idle();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
    // A program change refreshes every control in the next idle.
    rig.shell.currentProgram()->values[xcita] = 0.75f;
    rig.shell.setProgram(rig.shell.getProgram());
    rig.editor->idle();
    EXPECT_FLOAT_EQ(knob->getValue(), 0.75f);
}

TEST_F(EditorTest, ControlChangesWriteTheParameterAndTellTheHost)
{
    Rig rig(&recordingHost);
    ASSERT_TRUE(rig.open());
    hostCalls.clear();
    const int xcita = rig.index("DistXcita");
    CControl* knob = rig.editor->getControl(xcita);
    knob->setValue(0.4f);
    rig.editor->valueChanged(knob);
    EXPECT_FLOAT_EQ(rig.shell.getParameter(xcita), 0.4f);
    EXPECT_TRUE(rig.editor->hasUserChanged());
    ASSERT_EQ(hostCalls.size(), 1u);
    EXPECT_EQ(hostCalls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(hostCalls[0].index, xcita);

    // Internal parameters (above the stored ones) do not count as a user change; a meter tells the
    // host nothing.
    rig.editor->refreshControls(false);
    CControl* kick = rig.control("Randomize");
    kick->setValue(1.0f);
    rig.editor->valueChanged(kick);
    EXPECT_FALSE(rig.editor->hasUserChanged());
    hostCalls.clear();
    CControl* meter = rig.control("LevelMeterL");
    ASSERT_NE(meter, nullptr);
    meter->setValue(0.5f);
    rig.editor->valueChanged(meter);
    EXPECT_TRUE(hostCalls.empty());
}

TEST_F(EditorTest, EveryPathToleratesParametersWithoutControls)
{
    writeSkin(skin, "BITMAPS Background Knob -- FONTS -- PARAMETERS -- PAGES -- CONTROLS "
                    "DistXcita Knob Knob Main 100 100 0 0"); // one parameter bound
    Rig rig(&recordingHost);
    for (int i = -1; i < 600; ++i) // closed: everything is ignored
        rig.editor->setParameter(i, 0.5f);
    rig.editor->refreshControls(true);
    rig.editor->idle();
    ASSERT_TRUE(rig.open());
    for (int i = -1000; i < 1000; ++i)
        rig.editor->setParameter(i, 0.3f);
    EXPECT_FLOAT_EQ(rig.control("DistXcita")->getValue(), 0.3f);
    for (int i = 0; i < rig.shell.getEngine()->parameterCount; ++i)
        rig.shell.setParameter(i, 0.5f);
    rig.shell.setProgram(3);
    rig.editor->idle();
    rig.editor->refreshControls(true);
    rig.editor->valueChanged(nullptr);
    rig.editor->beginEdit(-1);
    rig.editor->endEdit(100000);
    EXPECT_EQ(rig.editor->getControl(-1), nullptr);
    EXPECT_EQ(rig.editor->getControl(100000), nullptr);
    for (const HostCall& call : hostCalls)
        EXPECT_NE(call.opcode, audioMasterBeginEdit);
}

TEST_F(EditorTest, ProductShellsCreateTheRegisteredEditor)
{
    {
        OrvaneVST bare(nullptr);
        EXPECT_EQ(bare.getEditor(), nullptr);
        EXPECT_EQ(bare.getAeffect()->flags & effFlagsHasEditor, 0);
    }
    OrvaneEditor::useForShells();
    OrvaneVST shell(nullptr);
    KsPluginVST::setEditorFactory(nullptr);
    auto* editor = dynamic_cast<OrvaneEditor*>(shell.getEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_NE(shell.getAeffect()->flags & effFlagsHasEditor, 0);
    EXPECT_EQ(shell.getEngine()->editor.load(), editor);
    gui::HeadlessBackend backend;
    gui::HeadlessParent parent;
    editor->setBackend(&backend);
    ASSERT_TRUE(editor->open(&parent));
    editor->idle();
    editor->close();
    EXPECT_FALSE(editor->isOpen());
}

} // namespace
