// VerticalSliderS: the toolkit's vertical slider (minimum at the bottom of the travel) bound to
// the editor that shows its value.
//
// VerticalSliderS(size, listener, tag, travel, handle, background, backOffset, editor)
//   Right press, or left press with the command key: a popup (tagged with the slider's tag)
//   offers "Midi Learn", which makes the engine learn the next controller for this parameter.
//   Other left presses drag as the toolkit slider does. Hover and release behave as on CAnimKnobS.
//
// User-interface thread only.
#pragma once

#include "editor/CAnimKnobS.h"
#include "platform/gui/CVerticalSlider.h"

class VerticalSliderS : public EditorValueControl<CVerticalSlider>
{
  public:
    VerticalSliderS(const CRect& size, CControlListener* listener, int tag, int travel, const CBitmap* handle,
                    const CBitmap* background, CPoint backOffset, KsEditor* editor);

    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
};
