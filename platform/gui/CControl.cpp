// The control base: value range, listener notifications and the default-value gesture.
#include "platform/gui/CControl.h"

#include <algorithm>

CControl::CControl(const CRect& rect, CControlListener* l, int t, const CBitmap* bitmap)
    : CView(rect), listener(l), tag(t), background(bitmap)
{
}

CControl::~CControl() = default;

void CControl::setValue(float v)
{
    value = v;
    bounceValue();
}

void CControl::bounceValue()
{
    if (!(value >= vmin)) value = vmin; // also catches NaN
    if (value > vmax) value = vmax;
}

float CControl::getValueNormalized() const
{
    const float range = vmax - vmin;
    if (!(range > 0.0f)) return 0.0f;
    return std::clamp((value - vmin) / range, 0.0f, 1.0f);
}

void CControl::beginEdit()
{
    if (editing) return;
    editing = true;
    if (listener) listener->controlBeginEdit(this);
}

void CControl::endEdit()
{
    if (!editing) return;
    editing = false;
    if (listener) listener->controlEndEdit(this);
}

bool CControl::checkDefaultValue(int buttons)
{
    if ((buttons & (kLButton | kControl)) != (kLButton | kControl)) return false;
    setValue(defaultValue);
    setDirty();
    notifyValueChanged();
    return true;
}

void CControl::notifyValueChanged()
{
    if (listener) listener->valueChanged(this);
}

bool CControl::beginPress(int buttons)
{
    beginEdit();
    if (!checkDefaultValue(buttons)) return false;
    endEdit();
    return true;
}

bool CControl::changeValue(float next)
{
    const float before = value;
    setValue(next);
    if (value == before) return false;
    setDirty();
    notifyValueChanged();
    return true;
}

void CControl::drawStripFrame(CDrawContext& context, int frameIndex, int frameHeight) const
{
    if (!background) return;
    context.drawBitmap(*background, size, backOffset.offset(0, frameIndex * frameHeight));
}
