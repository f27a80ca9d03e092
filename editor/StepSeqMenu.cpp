#include "editor/StepSeqMenu.h"

#include "editor/FileDialogs.h"
#include "editor/OsqFile.h"
#include "engine/KsPlugin.h"
#include "engine/ParameterTable.h"
#include "engine/RandomDraws.h"
#include "platform/gui/CFrame.h"
#include "platform/gui/COptionMenu.h"

#include <algorithm>
#include <string>

namespace
{

constexpr const char* kEntryTexts[StepSeqMenu::kEntryCount] = {
    "Load Preset", "Save Preset", "-",       "Clear",           "Vol All",
    "Vol Every 2", "Vol Every 4", "Tie All", "Randomize",       "-",
    "Move Left",   "Move Right",  "-",       "Midi Trigger On", "Midi Trigger Off",
};

// Pattern p's 16 volumes and 16 ties.
OsqPattern capture(const KsPlugin& engine, int p)
{
    OsqPattern pattern;
    for (int s = 0; s < OsqPattern::kSteps; ++s) {
        pattern.volumes[s] = engine.getParameter(stepVolumeIndex(p, s));
        pattern.ties[s] = engine.getParameter(stepTieIndex(p, s));
    }
    return pattern;
}

} // namespace

StepSeqMenu::StepSeqMenu(const CRect& rect, CControlListener* l, int t, KsPlugin* effectEngine)
    : CControl(rect, l, t), engine(effectEngine),
      triggerIndex(effectEngine ? effectEngine->parameterIndex("SeqMidiNoteTrigger") : -1)
{
}

void StepSeqMenu::draw(CDrawContext&)
{
    setDirty(false);
}

int StepSeqMenu::currentPattern(const KsPlugin& engine)
{
    const KsParameter* p = engine.parameter(engine.parameterIndex("CurrentPattern"));
    return p ? std::clamp(p->wholeValue(), 0, kPatternCount - 1) : 0;
}

void StepSeqMenu::buildMenu(COptionMenu& menu) const
{
    for (const char* text : kEntryTexts)
        menu.addEntry(text);
    const bool on = engine && engine->getParameter(triggerIndex) == 1.0f;
    menu.checkEntry(kMidiTriggerOn, on);
    menu.checkEntry(kMidiTriggerOff, !on);
}

CMouseEventResult StepSeqMenu::onMouseDown(CPoint& where, int buttons)
{
    if (!(buttons & (kLButton | kRButton))) return kMouseEventNotHandled;
    CFrame* frame = getFrame();
    if (!frame || !engine) return kMouseEventHandled;
    COptionMenu menu(CRect(), nullptr, tag, COptionMenu::kCheckStyle);
    buildMenu(menu);
    if (menu.popup(*frame, localToFrame(where))) choose(menu.getLastResult());
    return kMouseEventHandled;
}

void StepSeqMenu::choose(int entry)
{
    if (!engine || entry < 0 || entry >= kEntryCount) return;
    KsPlugin& e = *engine;
    const int p = currentPattern(e);
    // The moves read these copies, taken before anything is written.
    const OsqPattern before = capture(e, p);
    OsqPattern after = before;
    bool write = true;

    switch (entry) {
    case kLoadPreset: {
        std::string path;
        CFrame* frame = getFrame();
        write = frame && filedialogs::loadDialog(*frame, OsqFile::kExtension, path) &&
                OsqFile::load(path.c_str(), after);
        break;
    }
    case kSavePreset: {
        std::string path;
        CFrame* frame = getFrame();
        if (frame && filedialogs::saveDialog(*frame, OsqFile::kExtension, path))
            OsqFile::save(path.c_str(), before);
        write = false;
        break;
    }
    case kClear:
        std::fill(std::begin(after.volumes), std::end(after.volumes), 0.0f);
        std::fill(std::begin(after.ties), std::end(after.ties), 0.0f);
        break;
    case kVolAll:
        std::fill(std::begin(after.volumes), std::end(after.volumes), 1.0f);
        break;
    case kVolEvery2:
    case kVolEvery4: {
        const int every = entry == kVolEvery2 ? 2 : 4;
        for (int s = 0; s < OsqPattern::kSteps; ++s)
            after.volumes[s] = s % every == 0 ? 1.0f : 0.0f;
        break;
    }
    case kTieAll:
        std::fill(std::begin(after.ties), std::end(after.ties), 1.0f);
        break;
    case kRandomize:
        // Per step: the volume, then the tie (set with a chance of one in four).
        for (int s = 0; s < OsqPattern::kSteps; ++s) {
            after.volumes[s] = randomUniform(0.0f, 1.0f);
            after.ties[s] = float(randomChance(0.25f));
        }
        break;
    case kMoveLeft:
    case kMoveRight: {
        const int from = entry == kMoveLeft ? 1 : OsqPattern::kSteps - 1;
        for (int s = 0; s < OsqPattern::kSteps; ++s) {
            after.volumes[s] = before.volumes[(s + from) % OsqPattern::kSteps];
            after.ties[s] = before.ties[(s + from) % OsqPattern::kSteps];
        }
        break;
    }
    case kMidiTriggerOn:
    case kMidiTriggerOff:
        e.setParameter(triggerIndex, entry == kMidiTriggerOn ? 1.0f : 0.0f);
        write = false;
        break;
    default: // separators
        return;
    }
    if (write) {
        // Only the steps that change are written, so an entry leaves the other row alone.
        for (int s = 0; s < after.count; ++s) {
            if (after.volumes[s] != before.volumes[s])
                e.setParameter(stepVolumeIndex(p, s), after.volumes[s]);
            if (after.ties[s] != before.ties[s]) e.setParameter(stepTieIndex(p, s), after.ties[s]);
        }
    }
    setDirty();
    notifyValueChanged();
}
