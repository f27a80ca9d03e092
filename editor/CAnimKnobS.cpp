// The editor's knob: MIDI-learn and knob-mode menu, fine drags, and the value read-out on hover.
#include "editor/CAnimKnobS.h"

#include "editor/KsEditor.h"
#include "platform/gui/CFrame.h"
#include "platform/gui/COptionMenu.h"

#include <memory>

bool isMenuPress(int buttons)
{
    return (buttons & kRButton) || ((buttons & kLButton) && (buttons & kCommand));
}

void showValueReadout(KsEditor* editor, int tag)
{
    if (!editor) return;
    editor->setUserChanged();
    editor->showParameterValue(tag);
}

void endValueReadout(KsEditor* editor)
{
    if (editor) editor->resetTextTimer();
}

int popupContextMenu(CControl& control, KsEditor* editor, CPoint where,
                     std::initializer_list<const char*> entries, int menuTag)
{
    CFrame* frame = control.getFrame();
    if (!frame) return -1;
    auto menu = std::make_unique<COptionMenu>(CRect(), nullptr, menuTag);
    for (const char* text : entries)
        menu->addEntry(text);
    int chosen = -1;
    if (menu->popup(*frame, control.localToFrame(where)) && menu->getLastItemMenu(chosen) != menu.get())
        chosen = -1;
    if (chosen == 0 && editor) editor->setLearnTarget(control.getTag());
    return chosen;
}

CAnimKnobS::CAnimKnobS(const CRect& rect, CControlListener* l, int t, int frames, int height,
                       const CBitmap* strip, CPoint offset, KsEditor* owner, int tagOfMenu)
    : EditorValueControl(owner, rect, l, t, frames, height, strip, offset), menuTag(tagOfMenu)
{
    setFineFactor(kFineFactor);
    if (editor && editor->getFrame()) editor->getFrame()->setKnobMode(kLinearMode);
}

CMouseEventResult CAnimKnobS::onMouseDown(CPoint& where, int buttons)
{
    if (!isMenuPress(buttons)) return CAnimKnob::onMouseDown(where, buttons);
    const int chosen = contextMenu(where, {"Midi Learn", "Linear", "Circular"}, menuTag);
    if (CFrame* frame = getFrame()) {
        if (chosen == kLinear) frame->setKnobMode(kLinearMode);
        if (chosen == kCircular) frame->setKnobMode(kCircularMode);
    }
    return kMouseEventHandled;
}
