// KsEditor: the editor base. It owns everything the skin decides: it reads the skin folder's
// description file and PNG bitmaps, builds the bitmap fonts, the named integer skin parameters,
// the page containers and one control per CONTROLS line, binds each control to an engine
// parameter by the parameter's primary name, and carries values between the controls and the
// parameters in both directions. The product editor derives from it and adds, through the hooks,
// what the skin file cannot express.
//
//   create(shell), useForShells()    the editor factory of product shells, and its registration
//   KsEditor(shell, engine)          seeds the data folder's default skin from the installed one
//                                    when it has none, then sizes the editor from the skin's
//                                    "Background" bitmap (skinUsable when it loads)
//   setBackend(backend)              the window system the frame is shown through; open is
//                                    refused until one is set (hosts give the X11 back end); the
//                                    back end must outlive the open editor
//   open(parent) / close()           builds the editor from the skin on disk / destroys it all
//   idle()                           applies the parameter changes the shell recorded since the
//                                    last idle, then lets the frame handle events and redraw
//   setParameter(index, value)       a parameter changed outside the editor: its control shows it
//   valueChanged(control)            a control changed: the parameter is written (automated)
//   refreshControls(runIdle)         every control shows the engine's current value
//   loadSkin(name, frame)            reads the skin folder "name" (see SkinDescription.h)
//   createControl(...)               one control of a CONTROLS line (kinds in KsEditor.cpp)
//   getSkinParameter / getSkinBitmap / getSkinFont (name)
//                                    first entry with exactly that name; -32768 / nullptr if none
//   getControl(index)                the control bound to a parameter, nullptr when it has none
//   openUrl(text), setLearnTarget(index), setUserChanged(), resetTextTimer()
//   manualPath(), openManual()       the manual installed with the plug-in ("" when none is
//                                    found) / opens it, or the web menu's "manual" page without it
//
// Hooks, in slot order (the base does nothing): onParameterSet, onControlChanged (true: handled,
// the parameter is not written), onSkinLoaded, showParameterValue, onControlsRefreshed,
// makeMenuUrl, createCustomControl (builds kinds the base does not know), and displayText (what
// the editor's text display shows, for tools and tests).
//
// Every operation runs on the user-interface thread; the shell never calls the editor from the
// audio thread (see KsPluginVST::deliverEditorChanges).
#pragma once

#include "editor/SkinDescription.h"
#include "platform/gui/Backend.h"
#include "platform/gui/CControl.h"
#include "platform/gui/CFrame.h"
#include "platform/vst/AEffEditor.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class CBitmapEx;
class KsPlugin;
class KsPluginVST;

// One bitmap font: all glyphs side by side in one horizontal strip bitmap.
struct SkinFont {
    static constexpr int kMaxGlyphs = 256;
    std::string name;
    const CBitmap* bitmap = nullptr; // the skin bitmap of the same name, nullptr when none
    int glyphCount = 0;
    char characters[kMaxGlyphs + 1] = {};
    int widths[kMaxGlyphs] = {};
    int offsets[kMaxGlyphs] = {}; // x of each glyph in the strip: running sum of the widths

    // Index of the glyph that draws c, -1 when the font has none.
    int glyphOf(char c) const;
};

class KsEditor : public AEffGUIEditor, public CControlListener, public CFrameEditor
{
  public:
    static constexpr int kMaxControlSlots = 512;
    static constexpr const char* kSkinName = "default";
    static constexpr const char* kDescriptionFile = "SkinParameters.txt";
    // How the description of every built-in skin begins (orvane-skingen writes it so).
    static constexpr const char* kBuiltInSkinStart = "The built-in skin";
    // Popup-menu tag of knobs (their MIDI-learn menu).
    static constexpr int kKnobMenuTag = 364;
    // Skin selectors: width of their arrows and room for entries (entry k is the value k / 100).
    static constexpr int kSelectorArrowWidth = 24;
    static constexpr int kSelectorCapacity = 100;
    // The maker's web address (web links open it; the web menu's URLs start with it).
    static constexpr const char* kMakerWebSite = "https://www.tirsk-audio.com";

    KsEditor(KsPluginVST* shell, KsPlugin* engine);
    ~KsEditor() override;

    // The factory that gives product shells this editor, and its registration (programs that
    // show the editor call useForShells before they create shells).
    static AEffGUIEditor* create(KsPluginVST& shell);
    static void useForShells();
    // What every editor factory does with the editor it made: the engine learns of its editor.
    static AEffGUIEditor* attach(KsPluginVST& shell, KsEditor* editor);

    void setBackend(gui::Backend* newBackend) { backend = newBackend; }
    gui::Backend* getBackend() const { return backend; }

    // ---- host side ----
    bool open(void* parentWindow) override;
    void close() override;
    bool isOpen() override { return editorOpen; }
    void idle() override;
    void setParameter(VstInt32 index, float value) override;
    void refreshControls(bool runIdle) override;

    // ---- controls ----
    void valueChanged(CControl* control) override;
    void controlBeginEdit(CControl* control) override;
    void controlEndEdit(CControl* control) override;
    void beginEdit(VstInt32 index) override;
    void endEdit(VstInt32 index) override;

    // ---- hooks, in slot order ----
    virtual bool onParameterSet(int index, float value);
    virtual bool onControlChanged(int tag, float value);
    virtual void onSkinLoaded() {}
    virtual void showParameterValue(int /*tag*/) {}
    virtual void onControlsRefreshed() {}
    // Writes the web-menu URL for an option word into url (size bytes).
    virtual void makeMenuUrl(char* url, std::size_t size, const char* option);
    virtual bool createCustomControl(int slot, const char* kind, CBitmap* bitmap, int tag,
                                     CViewContainer* parent, int x1, int y1, int x2, int y2);
    // What the editor's text display shows now ("" when it has none).
    virtual std::string displayText() const { return {}; }

    // ---- skin ----
    bool loadSkin(const char* skinName, CFrame* targetFrame);
    bool createControl(int slot, const char* kind, CBitmap* bitmap, int tag, CViewContainer* parent, int x1,
                       int y1, int x2, int y2);
    int getSkinParameter(const char* name) const;
    CBitmap* getSkinBitmap(const char* name) const;
    const SkinFont* getSkinFont(const char* name) const;
    CViewContainer* getPage(const char* name) const;
    // The n-th page of the PAGES section, nullptr when there are not that many.
    CViewContainer* getPageAt(int n) const;
    CViewContainer* getMainContainer() const { return mainContainer; }
    CControl* getControl(int index) const;
    int getControlSlotCount() const { return slotCount; }
    int getBitmapCount() const { return static_cast<int>(bitmaps.size()); }
    int getFontCount() const { return static_cast<int>(fonts.size()); }
    int getPageCount() const { return static_cast<int>(pages.size()); }
    int getSkinParameterCount() const { return static_cast<int>(skinValues.size()); }
    // "<data folder>/Skins/<name>".
    std::string skinFolder(const char* skinName) const;

    // ---- small setters used by controls ----
    void openUrl(const char* text);
    void setLearnTarget(int index);
    void setUserChanged(bool changed = true) { userChanged = changed; }
    void resetTextTimer() { textTimer = 0; }

    // ---- the manual ----
    static constexpr const char* kManualFile = "OrvaneManual.html";
    std::string manualPath() const;
    void openManual();

    bool isEditorOpen() const { return editorOpen; }
    bool isSkinUsable() const { return skinUsable; }
    bool hasUserChanged() const { return userChanged; }
    KsPlugin* getEngine() const { return engine; }
    KsPluginVST* getShell() const { return shell; }
    void* getParentWindow() const { return parentWindow; }

  protected:
    // Binds a control made by createCustomControl to its parameter's slot (nullptr empties it).
    void setControl(int slot, CControl* control);

    KsPluginVST* shell;
    KsPlugin* engine;
    int textTimer = 0;

  private:
    // Copies the installed default skin into the data folder when the folder has none, or when
    // the copy there is an unchanged earlier seed of another installed skin.
    void seedDefaultSkin() const;
    // Empties every table (views and bitmaps must already be gone).
    void clearTables();
    // Destroys the frame, containers, controls, bitmaps and fonts.
    void destroyEverything();

    gui::Backend* backend = nullptr;
    void* parentWindow = nullptr;
    CControl* controlSlots[kMaxControlSlots] = {};
    int slotCount = 0;
    CViewContainer* mainContainer = nullptr;
    std::vector<std::pair<std::string, CViewContainer*>> pages;
    std::vector<std::pair<std::string, std::unique_ptr<CBitmapEx>>> bitmaps;
    int backgroundIndex = -1;
    std::vector<std::unique_ptr<SkinFont>> fonts;
    std::vector<SkinValueSpec> skinValues;
    bool editorOpen = false;
    bool skinUsable = false;
    bool userChanged = false;
};
