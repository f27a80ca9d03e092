// CAnimKnobS, and EditorValueControl: the hover read-out and context menu it shares with VerticalSliderS.
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
// EditorValueControl<Base>: what knobs and sliders add to their toolkit control Base. The
// pointer entering shows the parameter's value read-out (and counts as a user change); leaving
// without a release since then lets the program name return at the next idle; a release tells
// the listener the last value before the gesture ends. contextMenu(where, entries, menuTag) shows
// a popup of entries at where (parent coordinates): entry 0 ("Midi Learn") makes the engine learn
// the next controller for this parameter; the listener is told; the result is the chosen entry,
// -1 when cancelled.
// isMenuPress(buttons): a right press, or a left press with the command key (the context menu).
//
// User-interface thread only.
#pragma once

#include "platform/gui/CAnimKnob.h"

#include <initializer_list>
#include <utility>

class KsEditor;

bool isMenuPress(int buttons);
// The parts of EditorValueControl that need the editor.
void showValueReadout(KsEditor* editor, int tag);
void endValueReadout(KsEditor* editor);
int popupContextMenu(CControl& control, KsEditor* editor, CPoint where,
                     std::initializer_list<const char*> entries, int menuTag);

template <class Base> class EditorValueControl : public Base
{
  public:
    template <class... Args>
    explicit EditorValueControl(KsEditor* owner, Args&&... args)
        : Base(std::forward<Args>(args)...), editor(owner)
    {
    }

    CMouseEventResult onMouseUp(CPoint& where, int buttons) override
    {
        released = true;
        this->notifyValueChanged();
        return Base::onMouseUp(where, buttons);
    }
    void onMouseEntered(CPoint&, int) override
    {
        released = false;
        showValueReadout(editor, this->getTag());
    }
    void onMouseExited(CPoint&, int) override
    {
        // Only pointed at, never dragged: the read-out was a glance.
        if (!released) endValueReadout(editor);
    }

  protected:
    int contextMenu(CPoint where, std::initializer_list<const char*> entries, int menuTag)
    {
        const int chosen = popupContextMenu(*this, editor, where, entries, menuTag);
        this->notifyValueChanged();
        return chosen;
    }

    KsEditor* editor;

  private:
    bool released = false;
};

class CAnimKnobS : public EditorValueControl<CAnimKnob>
{
  public:
    static constexpr float kFineFactor = 20.0f;
    enum MenuEntry { kMidiLearn = 0, kLinear = 1, kCircular = 2 };

    CAnimKnobS(const CRect& size, CControlListener* listener, int tag, int frameCount, int frameHeight,
               const CBitmap* strip, CPoint offset, KsEditor* editor, int menuTag);

    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    int getMenuTag() const { return menuTag; }

  private:
    int menuTag;
};
