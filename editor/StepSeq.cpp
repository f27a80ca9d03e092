#include "editor/StepSeq.h"

#include "engine/KsPlugin.h"

#include <algorithm>

StepSeq::StepSeq(const CRect& rect, CControlListener* l, int t, const CBitmap* bitmap, int steps,
                 KsPlugin* effectEngine, int first, const CBitmap* bar, const CBitmap* beatBar)
    : CControl(rect, l, t, bitmap), engine(effectEngine), firstStep(first),
      stepCount(std::clamp(steps, 1, kMaxSteps)), barImage(bar), beatBarImage(beatBar ? beatBar : bar)
{
}

void StepSeq::setFirstStep(int index)
{
    firstStep = index;
    setDirty();
}

int StepSeq::stepWidth() const
{
    return std::max(1, getWidth() / kMaxSteps);
}

float StepSeq::getStep(int step) const
{
    if (!engine || step < 0 || step >= stepCount) return 0.0f;
    const KsParameter* p = engine->parameter(firstStep + step);
    return p ? p->getValue() : 0.0f;
}

void StepSeq::setStep(int step, float v)
{
    if (!engine || step < 0 || step >= stepCount) return;
    if (KsParameter* p = engine->parameter(firstStep + step)) p->setValue(v);
}

int StepSeq::stepAt(int x) const
{
    // Left of the control counts as the first step, right of it as the last.
    if (x < size.left) return 0;
    return std::min((x - size.left) / stepWidth(), stepCount - 1);
}

float StepSeq::valueAt(int y) const
{
    const int h = getHeight();
    if (h <= 0) return 0.0f;
    return std::clamp(1.0f - float(y - size.top) / float(h), 0.0f, 1.0f);
}

void StepSeq::draw(CDrawContext& context)
{
    const int w = getWidth();
    const int h = getHeight();
    const int sw = stepWidth();
    // Drawn off screen and copied whole, on a fresh transparent image each time so that nothing of
    // the last drawing shows through a background with transparent parts.
    COffscreenContext off(std::max(w, 1), std::max(h, 1));
    // The skin's background behind the control, then one bar per step showing the lower part of
    // its image, as high as the step's value.
    if (background) off.drawBitmap(*background, CRect(0, 0, w, h), size.topLeft());
    for (int i = 0; i < stepCount; ++i) {
        const CBitmap* image = i % 4 == 0 ? beatBarImage : barImage;
        if (!image) continue;
        const int top = int(float(h) * (1.0f - getStep(i)));
        off.drawBitmap(*image, CRect(i * sw, top, i * sw + sw - kGap, h), CPoint(0, top));
    }
    off.copyTo(context, size);
    setDirty(false);
}

CMouseEventResult StepSeq::onMouseDown(CPoint& where, int buttons)
{
    if (!(buttons & (kLButton | kRButton))) return kMouseEventNotHandled;
    paintMode = !(buttons & (kRButton | kControl));
    lastPoint = CPoint(-1, -1);
    if (!volumeMode) {
        // Toggle painting writes the opposite of the first touched step: empty or partial steps
        // fill, full ones empty.
        const float v = getStep(stepAt(where.x));
        dragValue = v >= 1.0f ? 0.0f : 1.0f;
    }
    onMouseMoved(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult StepSeq::onMouseMoved(CPoint& where, int buttons)
{
    if (!(buttons & (kLButton | kRButton))) return kMouseEventNotHandled;
    if (where == lastPoint) return kMouseEventHandled;
    lastPoint = where;
    const int i = stepAt(where.x);
    float v = dragValue;
    if (volumeMode)
        v = valueAt(where.y);
    else if (where.y < size.top)
        v = 1.0f;
    else if (where.y > size.bottom)
        v = 0.0f;
    oldValue = getStep(i);
    setStep(i, paintMode ? v : 0.0f);
    newValue = getStep(i);
    if (newValue != oldValue) {
        setDirty();
        notifyValueChanged();
    }
    return kMouseEventHandled;
}

CMouseEventResult StepSeq::onMouseUp(CPoint&, int)
{
    return kMouseEventHandled;
}
