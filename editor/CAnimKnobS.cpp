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

void ValueHover::entered(int tag)
{
    released = false;
    if (!editor) return;
    editor->setUserChanged();
    editor->showParameterValue(tag);
}

void ValueHover::exited()
{
    // Leaving without having dragged: the read-out was only a glance, the program name returns.
    if (!released && editor) editor->resetTextTimer();
}

int popupLearnMenu(CControl& control, KsEditor* editor, CPoint where,
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
    : CAnimKnob(rect, l, t, frames, height, strip, offset), editor(owner), menuTag(tagOfMenu), hover(owner)
{
    setFineFactor(kFineFactor);
    if (editor && editor->getFrame()) editor->getFrame()->setKnobMode(kLinearMode);
}

CMouseEventResult CAnimKnobS::onMouseDown(CPoint& where, int buttons)
{
    if (!isMenuPress(buttons)) return CAnimKnob::onMouseDown(where, buttons);
    const int chosen = popupLearnMenu(*this, editor, where, {"Midi Learn", "Linear", "Circular"}, menuTag);
    if (CFrame* frame = getFrame()) {
        if (chosen == kLinear) frame->setKnobMode(kLinearMode);
        if (chosen == kCircular) frame->setKnobMode(kCircularMode);
    }
    notifyValueChanged();
    return kMouseEventHandled;
}

CMouseEventResult CAnimKnobS::onMouseUp(CPoint& where, int buttons)
{
    // The last value reaches the host inside the gesture, then the gesture ends.
    hover.releasedNow();
    notifyValueChanged();
    CAnimKnob::onMouseUp(where, buttons);
    return kMouseEventHandled;
}

void CAnimKnobS::onMouseEntered(CPoint&, int)
{
    hover.entered(tag);
}

void CAnimKnobS::onMouseExited(CPoint&, int)
{
    hover.exited();
}
