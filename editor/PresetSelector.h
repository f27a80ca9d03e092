// PresetSelector: previous / next arrows at the ends of a program plate, and a compact command
// menu between them. The bitmap holds three frames of equal height stacked vertically; the top
// one is drawn. The arrows are aw = int(bitmap height * 0.8 / 3) pixels wide.
//
// PresetSelector(size, editor, tag, bitmap, font, shell)
//   font: the skin's "FontDisplay" (kept for the skin; the plate itself is bitmap art)
//   getArrowWidth()              aw
//   getHeldArrow()               the arrow being held: -1 none, 0 next, 1 previous
//   buildMenu()                  the command menu as it would open now (the caller owns it):
//                                "Reload Bank" with one bank, else "Load Bank A", "Load Bank B",
//                                ...; the file commands, "-", "Read Manual", "-"; then the 64
//                                program names of the current bank, the current program checked
//   onMouseDown(where, buttons)  within aw of the right edge: next program; of the left edge:
//                                previous program; then the editor refreshes every control
//                                (without running idle processing inside the press).
//                                Between the arrows a left or right press opens the command menu
//   onMouseUp, onMouseExited     let go of the held arrow
//   draw(context)                the top frame over the control's rectangle
//
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

#include <memory>

class COptionMenu;
class KsEditor;
class KsPluginVST;
struct SkinFont;

class PresetSelector : public CControl
{
  public:
    PresetSelector(const CRect& size, KsEditor* editor, int tag, const CBitmap* bitmap, const SkinFont* font,
                   KsPluginVST* shell);

    int getArrowWidth() const { return arrowWidth; }
    int getHeldArrow() const { return heldArrow; }
    const SkinFont* getFont() const { return font; }

    std::unique_ptr<COptionMenu> buildMenu() const;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;
    void onMouseExited(CPoint& where, int buttons) override;
    void draw(CDrawContext& context) override;

  private:
    KsEditor* editor;
    KsPluginVST* shell;
    const SkinFont* font;
    int arrowWidth;
    int heldArrow = -1;
};
