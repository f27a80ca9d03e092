// Controls: views with a value, a tag and a listener that hears of every change.
//
// CControlListener (implemented by editors)
//   valueChanged(control)             the user changed the control's value
//   controlBeginEdit(control), controlEndEdit(control)
//                                     a user gesture on the control begins / ends (a press and
//                                     its release); editors pass these on to the host
//   controlModifierClicked(control, buttons)
//                                     offered a press carrying modifier keys first; true means
//                                     the listener handled it (the base declines)
//
// CControl(size, listener, tag, background)
//   getValue(), setValue(v)           the value, limited to min..max (0..1 unless set)
//   getMin/setMin, getMax/setMax      the range
//   getValueNormalized()              (value - min) / (max - min), 0 for an empty range
//   getDefaultValue/setDefaultValue   the value the default-value gesture restores (0.5 at first)
//   getTag/setTag, getListener/setListener
//   getBackground/setBackground, getBackOffset/setBackOffset
//                                     the bitmap the control draws and where in it to start
//   beginEdit(), endEdit(), isEditing()
//                                     tell the listener that a gesture begins / ends (balanced:
//                                     a second beginEdit without endEdit tells nothing)
//   checkDefaultValue(buttons)        the default-value gesture: a left press with the control
//                                     key (kLButton | kControl); when it applies the value
//                                     becomes the default and the result is true
//   notifyValueChanged()              tells the listener valueChanged(this)
//   beginPress(buttons)               a drag's press: begins the edit; when the press is the
//                                     default-value gesture, applies it, ends the edit and
//                                     returns true (the drag then does not start)
//   changeValue(value)                a drag's new value: sets it and, when it moved, marks the
//                                     control dirty and tells the listener; true when it moved
//   bounceValue()                     limits the value to the range
//   drawStripFrame(context, k, h)     draws frame k of the background (a vertical strip of frames
//                                     of height h, from the back offset) at the control's corner
//
// User-interface thread only.
#pragma once

#include "platform/gui/CView.h"

class CControl;

class CControlListener
{
  public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    virtual void controlBeginEdit(CControl* /*control*/) {}
    virtual void controlEndEdit(CControl* /*control*/) {}
    virtual bool controlModifierClicked(CControl* /*control*/, int /*buttons*/) { return false; }
};

class CControl : public CView
{
  public:
    CControl(const CRect& size, CControlListener* listener = nullptr, int tag = -1,
             const CBitmap* background = nullptr);
    ~CControl() override;

    virtual void setValue(float value);
    float getValue() const { return value; }
    void setMin(float minimum) { vmin = minimum; }
    float getMin() const { return vmin; }
    void setMax(float maximum) { vmax = maximum; }
    float getMax() const { return vmax; }
    float getValueNormalized() const;
    void setDefaultValue(float v) { defaultValue = v; }
    float getDefaultValue() const { return defaultValue; }

    void setTag(int t) { tag = t; }
    int getTag() const { return tag; }
    void setListener(CControlListener* l) { listener = l; }
    CControlListener* getListener() const { return listener; }
    void setBackground(const CBitmap* bitmap) { background = bitmap; }
    const CBitmap* getBackground() const { return background; }
    void setBackOffset(CPoint offset) { backOffset = offset; }
    CPoint getBackOffset() const { return backOffset; }

    void beginEdit();
    void endEdit();
    bool isEditing() const { return editing; }
    bool checkDefaultValue(int buttons);
    bool beginPress(int buttons);
    void notifyValueChanged();
    bool changeValue(float next);
    void bounceValue();
    void drawStripFrame(CDrawContext& context, int frameIndex, int frameHeight) const;

  protected:
    CControlListener* listener = nullptr;
    int tag = -1;
    float value = 0.0f;
    float vmin = 0.0f;
    float vmax = 1.0f;
    float defaultValue = 0.5f;
    const CBitmap* background = nullptr;
    CPoint backOffset;

  private:
    bool editing = false;
};
