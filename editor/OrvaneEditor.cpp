#include "editor/OrvaneEditor.h"

#include "platform/gui/COnOffButton.h"

#include "editor/CRadioGroup.h"
#include "editor/CXYControlSurface.h"
#include "editor/ScrollSelector.h"
#include "editor/StepSeq.h"
#include "editor/StepSeqMenu.h"
#include "editor/TextDisplay.h"
#include "editor/VuMeterS.h"
#include "engine/KsPlugin.h"
#include "engine/Lfo.h"
#include "engine/MorphTargets.h"
#include "engine/ParameterTable.h"
#include "filters/FilterTypeInfo.h"
#include "platform/gui/COnOffButton.h"
#include "shell/KsPluginVST.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

// The randomise button's press: a held button sends 1.0 repeatedly, and only the first of them
// randomises. Process-wide, as the button belongs to no single editor window.
bool randomizePressed = false;
// Idle calls left before the one full refresh after start-up (-1: done). Process-wide.
int startupCountdown = OrvaneEditor::kStartupIdleCalls;

// Pixels per character of the version display's text.
constexpr int kVersionCharWidth = 6;

} // namespace

OrvaneEditor::OrvaneEditor(KsPluginVST* owner, KsPlugin* effectEngine) : KsEditor(owner, effectEngine)
{
    const auto find = [this](const char* name) { return engine ? engine->parameterIndex(name) : -1; };
    id.tranceGateOn = find("TranceGateOn");
    id.panOn = find("PanOn");
    id.panSource = find("PanSource");
    id.panShape = find("PanShape");
    id.mmFilterOn = find("MmFilterOn");
    id.mmFilterType = find("MmFilterType");
    id.cutoffModOn = find("CutoffModOn");
    id.cutoffModSource = find("CutoffModSource");
    id.cutoffModShape = find("CutoffModShape");
    id.morphXParam = find("MorphXParam");
    id.morphYParam = find("MorphYParam");
    id.seqVolMode = find("SeqVolMode");
    id.randomize = find("Randomize");
    id.paramDisplay = find("ParamDisplay");
    id.morphSquare = find("MorphSquare");
    id.levelMeterL = find("LevelMeterL");
    id.levelMeterR = find("LevelMeterR");
    id.stepSeqVol = find("StepSeqVol");
    id.stepSeqTie = find("StepSeqTie");
    id.currentPattern = find("CurrentPattern");
    id.filterStartClk = find("SeqFilterStartClk");
    id.panStartClk = find("SeqPanStartClk");
    id.gateStartClk = find("SeqTGateStartClk");
    id.patternCopy = find("SeqPatternCopy");
    id.patternPaste = find("SeqPatternPaste");
    id.stepSeqMenu = find("StepSeqMenu");
    const char* const switches[8] = {"PanOn",     "MmFilterOn", "CutoffModOn", "DistOn",
                                     "FlangerOn", "DelayOn",    "ReverbOn",    "MasterOn"};
    for (int i = 0; i < 8; ++i)
        id.sectionSwitches[i] = find(switches[i]);
}

AEffGUIEditor* OrvaneEditor::create(KsPluginVST& owner)
{
    return attach(owner, new OrvaneEditor(&owner, owner.getEngine()));
}

void OrvaneEditor::useForShells()
{
    KsPluginVST::setEditorFactory(&OrvaneEditor::create);
}

// ---- tables ------------------------------------------------------------------------------------

int OrvaneEditor::filterEntryOfType(int type)
{
    return typeIndexMap[std::clamp(type, 0, filterTypeNumberCount - 1)];
}

int OrvaneEditor::filterTypeOfEntry(int entry)
{
    return typeNumberForRow(entry);
}

std::string OrvaneEditor::filterEntryText(int entry)
{
    if (entry < 0 || entry >= filterMenuCount) return {};
    std::string name = filterTypes[entry].name;
    // The table keeps a name's trailing blank where a stored setting depends on it; the menu
    // shows the name alone.
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

int OrvaneEditor::xyTargetIndex(int entry) const
{
    if (!engine || entry < 0 || entry >= morphTargetCount) return -1;
    return engine->parameterIndex(morphTargets[entry]);
}

// ---- small helpers -----------------------------------------------------------------------------

ScrollSelector* OrvaneEditor::selector(int index) const
{
    return dynamic_cast<ScrollSelector*>(getControl(index));
}

TextDisplay* OrvaneEditor::display() const
{
    return dynamic_cast<TextDisplay*>(getControl(id.paramDisplay));
}

StepSeq* OrvaneEditor::stepControl(int index) const
{
    return dynamic_cast<StepSeq*>(getControl(index));
}

CXYControlSurface* OrvaneEditor::pad() const
{
    return dynamic_cast<CXYControlSurface*>(getControl(id.morphSquare));
}

std::uint32_t OrvaneEditor::now() const
{
    return frame ? frame->getTicks() : 0;
}

float OrvaneEditor::value(int index) const
{
    return engine ? engine->getParameter(index) : 0.0f;
}

int OrvaneEditor::selectorValue(int index) const
{
    const KsParameter* p = engine ? engine->parameter(index) : nullptr;
    return p ? p->wholeValue() : 0;
}

int OrvaneEditor::shownEntry(int index) const
{
    const ScrollSelector* s = selector(index);
    return s ? s->getCurrentEntry() : selectorValue(index);
}

int OrvaneEditor::currentPattern() const
{
    return std::clamp(selectorValue(id.currentPattern), 0, kPatterns - 1);
}

void OrvaneEditor::setEngine(int index, float v)
{
    if (engine) engine->setParameter(index, v);
}

void OrvaneEditor::setAutomated(int index, float v)
{
    if (effect && engine && index >= 0 && index < engine->parameterCount)
        effect->setParameterAutomated(index, v);
}

void OrvaneEditor::showOnControl(int index, float v)
{
    if (CControl* control = getControl(index)) {
        control->setValue(v);
        control->setDirty();
    }
}

void OrvaneEditor::markDirty(int index)
{
    if (CControl* control = getControl(index)) control->setDirty();
}

int OrvaneEditor::flagsOn(int firstIndex) const
{
    int on = 0;
    for (int p = 0; p < kPatterns; ++p) {
        const KsParameter* flag = engine ? engine->parameter(firstIndex + p) : nullptr;
        if (flag && flag->physicalOf(flag->getValue()) > 0.5f) ++on;
    }
    return on;
}

std::string OrvaneEditor::programName() const
{
    char name[kMaxText + 1] = {};
    if (shell) shell->getProgramName(name);
    name[kMaxText] = 0;
    return name;
}

void OrvaneEditor::setDisplayText(const std::string& s)
{
    text = s.substr(0, kMaxText);
    textTimer = static_cast<int>(now());
    if (TextDisplay* d = display()) {
        d->setText(text.c_str());
        d->setDirty();
    }
}

// ---- custom control kinds ----------------------------------------------------------------------

bool OrvaneEditor::createCustomControl(int slot, const char* kind, CBitmap* bitmap, int tag,
                                       CViewContainer* parent, int x1, int y1, int x2, int y2)
{
    if (!kind || !bitmap || !parent || !engine || !frame) return false;
    const int w = bitmap->getWidth();
    const int h = bitmap->getHeight();
    const std::string k = kind;
    CBitmap* background = getSkinBitmap("Background");
    const SkinRect r = controlRectangle(k, w, h, x1, y1, x2, y2);
    const CRect size(r.left, r.top, r.right, r.bottom);
    CControl* control = nullptr;
    bool setValue = true;

    if (k == "Switch") {
        // The skin's on/off switches: a click toggles, so a section, a sync or a chain switch
        // can be turned off from the editor as well as on ("OnButton" only ever switches on).
        // The bitmap holds off above on.
        control = new COnOffButton(size, this, tag, bitmap);
    } else if (k == "MorphSquare") {
        const CColor line =
            CXYControlSurface::lineColourOf(getSkinParameter("XYLineR"), getSkinParameter("XYLineG"),
                                            getSkinParameter("XYLineB"), getSkinParameter("XYLineA"));
        control = new CXYControlSurface(size, this, tag, bitmap, getSkinBitmap("XYCursor"), line, engine,
                                        id.morphXParam, id.morphYParam);
    } else if (k == "RadioButPattern" || k == "RadioButSrc") {
        const bool pattern = k == "RadioButPattern";
        // A skin without the spacing value stacks the two source buttons on each other.
        const int ySpace = pattern ? 0 : getSkinParameter("RadioButSrcYSpace");
        auto* group = new CRadioGroup(size, this, tag, pattern ? kPatterns : 2, pattern ? 19 : 0,
                                      ySpace == SkinDescription::kMissingValue ? 0 : ySpace);
        if (pattern) {
            for (int i = 1; i <= kPatterns; ++i)
                group->addButtonBitmap(getSkinBitmap(("PatternBut" + std::to_string(i)).c_str()));
        } else {
            group->addButtonBitmap(getSkinBitmap("ButtonSrcLfo"));
            group->addButtonBitmap(getSkinBitmap("ButtonSrcSeq"));
        }
        control = group;
    } else if (k == "TextDisplay" || k == "VersionDisplay") {
        const bool version = k == "VersionDisplay";
        const SkinFont* font = getSkinFont(version ? "FontVersion" : "FontDisplay");
        if (!background || (!version && !font)) return false;
        if (version) {
            char versionText[64];
            std::snprintf(versionText, sizeof versionText, "v%1.0f.%1.0f.%1.0f.%1.0f",
                          static_cast<double>(engine->version1()), static_cast<double>(engine->version2()),
                          static_cast<double>(engine->version3()), static_cast<double>(engine->version4()));
            const int n = static_cast<int>(std::strlen(versionText));
            auto* shown =
                new TextDisplay(CRect(x2 - kVersionCharWidth * n, y1, x2, y2), this, tag, background, font);
            shown->setText(versionText);
            control = shown;
            setValue = false;
        } else {
            control = new TextDisplay(size, this, tag, background, font);
        }
    } else if (k == "StepSeqVol" || k == "StepSeqTie") {
        const bool volumes = k == "StepSeqVol";
        const CBitmap* bar = getSkinBitmap(volumes ? "StepSeqMeterActive" : "StepSeqTieOnOff");
        const CBitmap* beatBar = volumes ? getSkinBitmap("StepSeqMeterActiveB") : bar;
        if (!background || !bar) return false;
        const int first = volumes ? stepVolumeIndex(0, 0) : stepTieIndex(0, 0);
        control = new StepSeq(size, this, tag, background, kSteps, engine, first, bar, beatBar);
    } else if (k == "StepSeqMenu") {
        control = new StepSeqMenu(size, this, tag, engine);
        control->setValue(0.0f);
        setValue = false;
    } else {
        return false;
    }
    if (setValue) control->setValue(engine->getParameter(tag));
    control->setDirty();
    parent->addView(control);
    setControl(slot, control);
    return true;
}

// ---- hooks -------------------------------------------------------------------------------------

void OrvaneEditor::onSkinLoaded()
{
    if (ScrollSelector* types = selector(id.mmFilterType); types && types->setEntryCount(filterMenuCount)) {
        for (int e = 0; e < filterMenuCount; ++e)
            types->setEntryText(e, filterEntryText(e).c_str());
    }
    const int smallArrows = getSkinParameter("SelectorButtonWidthSmall");
    for (int index : {id.morphXParam, id.morphYParam}) {
        ScrollSelector* targets = selector(index);
        if (!targets || !targets->setEntryCount(morphTargetCount)) continue;
        for (int e = 0; e < morphTargetCount; ++e) {
            char altName[KsParameter::kTextSize] = {};
            engine->getParameterAltName(xyTargetIndex(e), altName);
            targets->setEntryText(e, altName);
        }
        if (smallArrows != SkinDescription::kMissingValue) targets->setArrowWidth(smallArrows);
    }
    for (int index : {id.panShape, id.cutoffModShape}) {
        ScrollSelector* shapes = selector(index);
        if (!shapes || !shapes->setEntryCount(Lfo::shapeCount)) continue;
        for (int e = 0; e < Lfo::shapeCount; ++e)
            shapes->setEntryText(e, Lfo::shapeName(e));
    }
    if (CViewContainer* first = getPageAt(0); first && getMainContainer()) getMainContainer()->addView(first);
    onParameterSet(id.morphXParam, 0.0f);
    onParameterSet(id.morphYParam, 0.0f);
    meterTimer = now();
    onControlsRefreshed();
}

void OrvaneEditor::onControlsRefreshed()
{
    if (StepSeq* volumes = stepControl(id.stepSeqVol)) volumes->setVolumeMode(value(id.seqVolMode) > 0.5f);
    bindPattern(false);
    setDisplayText(programName());
    showSelectorEntries();
}

void OrvaneEditor::bindPattern(bool markButtons)
{
    const int p = currentPattern();
    if (StepSeq* volumes = stepControl(id.stepSeqVol)) {
        volumes->setFirstStep(stepVolumeIndex(p, 0));
        volumes->setDirty();
    }
    if (StepSeq* ties = stepControl(id.stepSeqTie)) {
        ties->setFirstStep(stepTieIndex(p, 0));
        ties->setDirty();
    }
    const std::pair<int, int> buttons[] = {{id.filterStartClk, filterChainIndex(p)},
                                           {id.panStartClk, panChainIndex(p)},
                                           {id.gateStartClk, gateChainIndex(p)}};
    for (const auto& [button, flag] : buttons) {
        if (CControl* control = getControl(button)) {
            control->setValue(value(flag));
            if (markButtons) control->setDirty();
        }
    }
}

void OrvaneEditor::showFilterType()
{
    if (ScrollSelector* types = selector(id.mmFilterType)) {
        types->selectEntry(filterEntryOfType(selectorValue(id.mmFilterType)));
        types->setDirty();
    }
}

void OrvaneEditor::showSelectorEntries()
{
    showFilterType();
    for (int index : {id.morphXParam, id.morphYParam, id.panShape, id.cutoffModShape}) {
        if (ScrollSelector* s = selector(index)) {
            s->selectEntry(selectorValue(index));
            s->setDirty();
        }
    }
}

void OrvaneEditor::takePadTarget(int selectorIndex)
{
    CXYControlSurface* surface = pad();
    if (!surface) return;
    const int t = selectorValue(selectorIndex);
    const int target = t <= morphTargetCount - 1 ? xyTargetIndex(t) : -1;
    if (target >= 0) {
        if (selectorIndex == id.morphXParam)
            surface->setXTarget(target);
        else
            surface->setYTarget(target);
    }
    surface->setDirty();
}

bool OrvaneEditor::onParameterSet(int index, float v)
{
    if (std::find(std::begin(id.sectionSwitches), std::end(id.sectionSwitches), index) !=
        std::end(id.sectionSwitches)) {
        markDirty(index);
    } else if (index == id.mmFilterType) {
        showFilterType();
    } else if (index == id.morphXParam || index == id.morphYParam) {
        takePadTarget(index);
    } else if (index == id.seqVolMode) {
        if (StepSeq* volumes = stepControl(id.stepSeqVol)) volumes->setVolumeMode(v > 0.5f);
    } else if (index == id.morphSquare) {
        const int x = shownEntry(id.morphXParam), y = shownEntry(id.morphYParam);
        if (x < morphTargetCount && y < morphTargetCount) {
            for (int target : {xyTargetIndex(x), xyTargetIndex(y)})
                showOnControl(target, value(target));
        }
        markDirty(id.morphSquare);
    } else if (index == id.currentPattern) {
        bindPattern(true);
    } else if (index == id.filterStartClk || index == id.panStartClk || index == id.gateStartClk) {
        const int p = currentPattern();
        const int flag = index == id.filterStartClk ? filterChainIndex(p)
                         : index == id.panStartClk  ? panChainIndex(p)
                                                    : gateChainIndex(p);
        setEngine(flag, v);
    } else if (index == id.patternCopy) {
        const int p = currentPattern();
        for (int s = 0; s < kSteps; ++s) {
            clipboardVolumes[s] = value(stepVolumeIndex(p, s));
            clipboardTies[s] = value(stepTieIndex(p, s));
        }
    } else if (index == id.patternPaste || index == id.stepSeqMenu) {
        if (index == id.patternPaste) {
            const int p = currentPattern();
            for (int s = 0; s < kSteps; ++s) {
                setEngine(stepVolumeIndex(p, s), clipboardVolumes[s]);
                setEngine(stepTieIndex(p, s), clipboardTies[s]);
            }
        }
        markDirty(id.stepSeqVol);
        markDirty(id.stepSeqTie);
    }
    showParameterValue(index);
    return true;
}

void OrvaneEditor::coupleSource(float v, int chainFirst, int clockButton)
{
    const int flag = chainFirst + currentPattern();
    if (v <= 0.0f) {
        setEngine(flag, 0.0f);
        showOnControl(clockButton, 0.0f);
    } else if (flagsOn(chainFirst) == 0) {
        setEngine(flag, 1.0f);
        showOnControl(clockButton, 1.0f);
    }
}

void OrvaneEditor::clockStartChanged(float v, int chainFirst, std::initializer_list<int> switches, int source,
                                     int released)
{
    if (v > 0.0f) {
        for (int index : switches)
            if (value(index) < 0.5f) setEngine(index, 1.0f);
        if (source >= 0 && value(source) < 0.01f) setEngine(source, 0.01f);
    } else if (flagsOn(chainFirst) <= 1) {
        setEngine(released, 0.0f);
    }
}

bool OrvaneEditor::onControlChanged(int tag, float v)
{
    if (tag < 0) return false;
    if (tag == id.tranceGateOn) {
        if (v > 0.0f && flagsOn(gateChainIndex(0)) == 0) {
            setEngine(gateChainIndex(currentPattern()), 1.0f);
            showOnControl(id.gateStartClk, 1.0f);
        }
    } else if (tag == id.panSource) {
        coupleSource(v, panChainIndex(0), id.panStartClk);
    } else if (tag == id.cutoffModSource) {
        coupleSource(v, filterChainIndex(0), id.filterStartClk);
    } else if (tag == id.panShape || tag == id.cutoffModShape || tag == id.morphXParam ||
               tag == id.morphYParam) {
        // The selectors' values are entry / 100 and never reach 1.0; a control that sends 1.0
        // writes nothing.
        return v >= 1.0f;
    } else if (tag == id.mmFilterType) {
        const ScrollSelector* types = selector(tag);
        const int entry =
            types ? types->getCurrentEntry()
                  : std::clamp(static_cast<int>(v * kSelectorCapacity + 0.0001f), 0, filterMenuCount - 1);
        const int type = filterTypeOfEntry(entry);
        if (type >= 0) setAutomated(tag, static_cast<float>(type) / 100.0f);
        return true;
    } else if (tag == id.cutoffModOn) {
        if (v == 1.0f) setAutomated(id.mmFilterOn, 1.0f);
    } else if (tag == id.randomize) {
        randomizeProgram(v);
        return true;
    } else if (tag == id.morphSquare) {
        setUserChanged(false);
        for (int index : {id.morphXParam, id.morphYParam}) {
            const int entry = shownEntry(index);
            const int target = entry < morphTargetCount ? xyTargetIndex(entry) : -1;
            if (target < 0) continue;
            setAutomated(target, value(target));
            markDirty(target);
        }
        return true;
    } else if (tag == id.currentPattern) {
        markDirty(tag);
    } else if (tag == id.filterStartClk) {
        clockStartChanged(v, filterChainIndex(0), {id.mmFilterOn, id.cutoffModOn}, id.cutoffModSource,
                          id.cutoffModSource);
    } else if (tag == id.panStartClk) {
        clockStartChanged(v, panChainIndex(0), {id.panOn}, id.panSource, id.panSource);
    } else if (tag == id.gateStartClk) {
        clockStartChanged(v, gateChainIndex(0), {id.tranceGateOn}, -1, id.tranceGateOn);
    }
    return false;
}

void OrvaneEditor::randomizeProgram(float pressValue)
{
    if (pressValue == 1.0f && !randomizePressed) {
        const auto randomizeEngine = [this] {
            engine->randomize();
            for (int i = 0; i < engine->parameterCount; ++i)
                engine->parameter(i)->resetSmoothing();
            engine->reset();
        };
        if (shell)
            shell->runWithEngineHeld(randomizeEngine);
        else
            randomizeEngine();
        takePadTarget(id.morphXParam);
        takePadTarget(id.morphYParam);
        // No idle processing from inside this press: it would deliver the press's own release
        // before the frame knows the press was taken, and the pointer would stay captured.
        refreshControls(false);
        randomizePressed = true;
    } else if (pressValue == 0.0f) {
        randomizePressed = false;
    }
    // The host learns every program parameter, on the press and on the release.
    for (int i = 0; i < engine->automatableCount; ++i)
        setAutomated(i, engine->getParameter(i));
}

void OrvaneEditor::showParameterValue(int tag)
{
    const KsParameter* p = engine ? engine->parameter(tag) : nullptr;
    if (!p || !hasUserChanged() || !p->announces) return;
    char shown[KsParameter::kTextSize] = {};
    char unit[KsParameter::kTextSize] = {};
    engine->getParameterDisplay(tag, shown);
    engine->getParameterLabel(tag, unit);
    setDisplayText(std::string(shown) + " " + unit);
}

// ---- idle --------------------------------------------------------------------------------------

void OrvaneEditor::updateMeters()
{
    CControl* left = getControl(id.levelMeterL);
    CControl* right = getControl(id.levelMeterR);
    if (!left || !right || !VuMeterS::isMeteringOn()) return;
    const auto level = [this](int channel) {
        // A peak that is not a number shows as silence, an overflow as full scale.
        const float peak = engine->readPeak(channel);
        return peak > 0.0f ? std::min(1.0f, std::pow(peak, kMeterExponent)) : 0.0f;
    };
    const float targetLeft = level(0), targetRight = level(1);
    constexpr float kStep = 1.0f / VuMeterS::kSegments;
    const bool moved = std::fabs(targetLeft - left->getValue()) > kStep ||
                       std::fabs(targetRight - right->getValue()) > kStep;
    if (!moved || now() - meterTimer <= kMeterMs) return;
    left->setValue(targetLeft);
    right->setValue(targetRight);
    left->setDirty();
    right->setDirty();
    meterTimer = now();
}

void OrvaneEditor::idle()
{
    if (!frame || !engine || !isEditorOpen()) return;
    KsEditor::idle();
    if (!frame || !isEditorOpen()) return;

    // A read-out stays for kReadoutMs, then the program name returns.
    if (const std::string name = programName();
        name != text && now() - static_cast<std::uint32_t>(textTimer) > kReadoutMs) {
        text = name.substr(0, kMaxText);
        if (TextDisplay* d = display()) {
            d->setText(text.c_str());
            d->setDirty();
        }
    }

    updateMeters();
    for (int index : {id.cutoffModShape, id.panShape, id.mmFilterType, id.morphXParam, id.morphYParam})
        if (ScrollSelector* s = selector(index)) s->idleTick();

    if (startupCountdown > 0) {
        --startupCountdown;
    } else if (startupCountdown == 0) {
        startupCountdown = -1;
        refreshControls(true);
    }
    // What this call changed is shown now rather than one idle later.
    if (frame) frame->redrawDirty();
}
