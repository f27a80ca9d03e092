// OrvaneEditor: the product's editor. Over the skin-driven base it adds the product's control
// kinds, the texts of the selector menus, the coupling between related parameters (switching a
// modulation on also switches on what it needs), the rebinding of the step controls to the
// current pattern, the value read-out of the text display, the output meters and the idle-time
// work (auto-repeat of held selector arrows and one full refresh shortly after start-up).
//
//   create(shell), useForShells()  the factory that gives product shells this editor, and its
//                                  registration (programs that show the editor call it first)
//   OrvaneEditor(shell, engine)    as the base; the step clipboard starts at zero
//
// Menu tables (read from the engine's tables, never copied):
//   filterEntryOfType(type)        filter type number 0..33 -> entry of the filter menu (0..32);
//                                  numbers outside are limited to 0..33
//   filterTypeOfEntry(entry)       menu entry 0..32 -> the type number written for it (-1 outside)
//   filterEntryText(entry)         the entry's text, the filter table's name without trailing
//                                  blanks ("" outside)
//   xyTargetIndex(entry)           the parameter that XY target entry 0..22 stands for (-1 outside
//                                  or when the engine lacks it); the entry's text is its altName
//
// Hooks: createCustomControl ("Switch", a two-state button that toggles; "MorphSquare", "RadioButPattern", "RadioButSrc", "TextDisplay",
// "StepSeqVol", "StepSeqTie", "StepSeqMenu", "VersionDisplay"), onSkinLoaded,
// onControlsRefreshed, onParameterSet, onControlChanged, showParameterValue and idle, each told
// in OrvaneEditor.cpp. displayText() is what the "ParamDisplay" text display shows now: the
// program name, or a value read-out for 3 seconds after the user touched a control.
//
// User-interface thread only. The randomise press memory and the start-up countdown are
// process-wide; the step clipboard lives as long as the editor object.
#pragma once

#include "editor/KsEditor.h"

#include <cstdint>
#include <initializer_list>
#include <string>

class CXYControlSurface;
class ScrollSelector;
class StepSeq;
class TextDisplay;

class OrvaneEditor : public KsEditor
{
  public:
    static constexpr std::size_t kMaxText = 255;         // characters of the display's text
    static constexpr std::uint32_t kReadoutMs = 3000;    // a read-out stays this long
    static constexpr std::uint32_t kMeterMs = 60;        // meters move at most this often
    static constexpr float kMeterExponent = 0.36764705f; // peak -> meter level
    static constexpr int kStartupIdleCalls = 10;         // idle calls before the start-up refresh
    static constexpr int kPatterns = 8;
    static constexpr int kSteps = 16;

    OrvaneEditor(KsPluginVST* shell, KsPlugin* engine);

    static AEffGUIEditor* create(KsPluginVST& shell);
    static void useForShells();

    static int filterEntryOfType(int type);
    static int filterTypeOfEntry(int entry);
    static std::string filterEntryText(int entry);
    int xyTargetIndex(int entry) const;

    bool createCustomControl(int slot, const char* kind, CBitmap* bitmap, int tag, CViewContainer* parent,
                             int x1, int y1, int x2, int y2) override;
    void onSkinLoaded() override;
    void onControlsRefreshed() override;
    bool onParameterSet(int index, float value) override;
    bool onControlChanged(int tag, float value) override;
    void showParameterValue(int tag) override;
    void idle() override;
    std::string displayText() const override { return text; }

    // The current pattern 0..7 ("CurrentPattern").
    int currentPattern() const;

  private:
    // Indices of the parameters the hooks use, looked up by name once (-1 when absent).
    struct Ids {
        int tranceGateOn, panOn, panSource, panShape, mmFilterOn, mmFilterType, cutoffModOn;
        int cutoffModSource, cutoffModShape, morphXParam, morphYParam, seqVolMode;
        int randomize, paramDisplay, morphSquare, levelMeterL, levelMeterR, stepSeqVol, stepSeqTie;
        int currentPattern, filterStartClk, panStartClk, gateStartClk, patternCopy, patternPaste;
        int stepSeqMenu;
        int sectionSwitches[8];
    };

    // The control of a parameter as the class the hooks expect (nullptr when it is another).
    ScrollSelector* selector(int index) const;
    TextDisplay* display() const;
    StepSeq* stepControl(int index) const;
    CXYControlSurface* pad() const;

    std::uint32_t now() const;
    // The parameter's physical value truncated to an integer (0 for an absent parameter).
    int selectorValue(int index) const;
    // The entry a selector shows (its parameter's value when the control is no selector).
    int shownEntry(int index) const;
    float value(int index) const;
    // Writes through the engine's setParameter: the engine's hooks run, the host is not told.
    void setEngine(int index, float v);
    // Writes through the shell's automated write: the engine and the host learn it.
    void setAutomated(int index, float v);
    // The control of index shows v (and redraws).
    void showOnControl(int index, float v);
    void markDirty(int index);
    // How many of the 8 per-pattern flags from firstIndex are on (physical value above 0.5).
    int flagsOn(int firstIndex) const;

    // The pad takes its X or Y target from the selector parameter.
    void takePadTarget(int selectorIndex);
    // The step controls are bound to the current pattern, the clock-start buttons show its flags.
    void bindPattern(bool markButtons);
    // The filter, XY target and shape selectors show the entries of their parameters.
    void showSelectorEntries();
    void showFilterType();
    // text becomes s, the text timer now, and the display shows it.
    void setDisplayText(const std::string& s);
    std::string programName() const;
    void randomizeProgram(float pressValue);
    // A source switched to the sequencer or back (PanSource, CutoffModSource): the current
    // pattern's chain flag follows, as the clock-start button of that chain shows.
    void coupleSource(float v, int chainFirst, int clockButton);
    // A chain's clock-start button changed to v. On: the switches that the chain needs go on and
    // the source (when there is one) selects the sequencer. Off while at most one pattern has the
    // chain's flag (the current one, whose flag goes off when the write returns): released := 0.
    void clockStartChanged(float v, int chainFirst, std::initializer_list<int> switches, int source,
                           int released);
    // The meters take the engine's output peaks (at most every kMeterMs, when metering is on).
    void updateMeters();

    Ids id{};
    std::string text;
    std::uint32_t meterTimer = 0;
    float clipboardVolumes[kSteps] = {};
    float clipboardTies[kSteps] = {};
};
