// CAnimKnobS and the hover read-out shared with VerticalSliderS.
//
// CAnimKnobS(size, listener, tag, frameCount, frameHeight, strip, offset, editor, menuTag): the
// toolkit's animated knob (fine factor 20: shift drags 200 * 20 = 4000 pixels over the range),
// bound to the editor that shows its value. Constructing one puts the editor's frame in linear
// knob mode.
//   Right press, or left press with the command key: a popup (tag menuTag) offers
//   "Midi Learn" (the engine learns the next controller for this knob's parameter), "Linear" and
//   "Circular" (the knob mode of every knob of the frame); then the listener is told.
//   Other left presses drag as the toolkit knob does. Release ends the edit and tells the listener.
//   Pointer entering: the editor shows this parameter's value; leaving without a release in
//   between lets the program name return at the next idle.
//
// ValueHover: what knobs and sliders do as the pointer enters and leaves them and as a drag ends.
// popupLearnMenu(control, editor, where, entries, menuTag): shows a popup of entries at where
// (the control's parent coordinates) and returns the chosen index, -1 when cancelled or when the
// control has no frame; a choice of entry 0 ("Midi Learn") sets the engine's learn target to the
// control's tag.
// isMenuPress(buttons): a right press, or a left press with the command key (the context menu).
//
// User-interface thread only.
#pragma once

#include "platform/gui/CAnimKnob.h"

#include <initializer_list>

class KsEditor;

class ValueHover
{
  public:
    explicit ValueHover(KsEditor* e) : editor(e) {}
    void entered(int tag);
    void exited();
    void releasedNow() { released = true; }
    bool isReleased() const { return released; }

  private:
    KsEditor* editor;
    bool released = false;
};

bool isMenuPress(int buttons);
int popupLearnMenu(CControl& control, KsEditor* editor, CPoint where,
                   std::initializer_list<const char*> entries, int menuTag);

class CAnimKnobS : public CAnimKnob
{
  public:
    static constexpr float kFineFactor = 20.0f;
    enum MenuEntry { kMidiLearn = 0, kLinear = 1, kCircular = 2 };

    CAnimKnobS(const CRect& size, CControlListener* listener, int tag, int frameCount, int frameHeight,
               const CBitmap* strip, CPoint offset, KsEditor* editor, int menuTag);

    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;
    void onMouseEntered(CPoint& where, int buttons) override;
    void onMouseExited(CPoint& where, int buttons) override;

    int getMenuTag() const { return menuTag; }

  private:
    KsEditor* editor;
    int menuTag;
    ValueHover hover;
};
