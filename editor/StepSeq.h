// StepSeq: a bar display of the 16 step values of one pattern row (the step volumes or the
// ties), painted with the mouse.
//
// StepSeq(size, listener, tag, background, stepCount, engine, firstStep, barImage, beatBarImage)
//   background       the skin's "Background": the part behind the control is drawn first
//   stepCount        steps shown (16; limited to 1..16)
//   engine, firstStep the engine and the index of the row's first parameter (step 0)
//   barImage         image of the bars; beatBarImage (may be null) for steps 0, 4, 8, 12
//   setVolumeMode(on) true: a press or drag sets the step to the pointer's height; false
//                    (toggle mode): a left press paints 1.0 over empty and partial steps and 0.0
//                    over full ones, and the drag paints the same value over every step it
//                    crosses; above the control paints 1.0, below it 0.0
//   setFirstStep(i)  rebinds the display to the row starting at parameter i; marks it dirty
//   stepAt(x), valueAt(y)
//                    the step under x (parent coordinates) and the volume-mode value of y,
//                    limited to 0..stepCount-1 and 0..1 wherever the pointer is
//   getStep(i)       step i's value (0 for a step outside the row)
//
// A right press (or one with the control key) erases: the drag writes 0.0. Steps are written
// with the parameter's own setValue (no engine hooks, no host notification); every change is told
// to the listener, whose automated write of this control's own parameter makes the engine re-write
// the row through the host. The control keeps no step data: it reads the engine every draw.
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"
#include "platform/gui/CDrawContext.h"

class KsPlugin;

class StepSeq : public CControl
{
  public:
    static constexpr int kMaxSteps = 16;
    static constexpr int kGap = 3; // pixels left empty at the right of every bar

    StepSeq(const CRect& size, CControlListener* listener, int tag, const CBitmap* background, int stepCount,
            KsPlugin* engine, int firstStep, const CBitmap* barImage, const CBitmap* beatBarImage);

    void setVolumeMode(bool on) { volumeMode = on; }
    bool isVolumeMode() const { return volumeMode; }
    void setFirstStep(int index);
    int getFirstStep() const { return firstStep; }
    int getStepCount() const { return stepCount; }
    float getStep(int step) const;
    int stepAt(int x) const;
    float valueAt(int y) const;

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;

  private:
    // Bar width including the gap (at least 1 pixel).
    int stepWidth() const;
    void setStep(int step, float v);

    KsPlugin* engine;
    int firstStep;
    int stepCount;
    const CBitmap* barImage;
    const CBitmap* beatBarImage;
    bool volumeMode = false;
    bool paintMode = true;
    float dragValue = 1.0f;
    CPoint lastPoint{-1, -1};
    float oldValue = 0.0f;
    float newValue = 0.0f;
};
