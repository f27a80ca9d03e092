// TextDisplay: one line of text drawn with a skin bitmap font over the part of the skin's
// background that lies behind the control. The editor writes its text (the program name, a
// value read-out, the version) and marks it dirty; the control never changes a parameter.
//
//   drawFontText(context, font, rect, text)
//                              the bitmap-font routine: the glyph row is centred vertically in
//                              rect; glyphs follow each other from rect.left while the pen is
//                              left of rect.right (the last may reach past it; no wrapping); a
//                              character the font lacks advances the pen by kMissingGlyphAdvance
//                              pixels and draws nothing. Returns the pen's final x. A font
//                              without a bitmap only advances the pen.
//   TextDisplay(size, listener, tag, background, font)
//                              background: the skin's "Background" (drawn from the control's own
//                              top-left, so the display shows what lies behind it); font: the
//                              skin font (nullptr: only the background is drawn). Text starts empty
//   setText(text) / getText()  at most kMaxText characters are kept (longer text is cut); the
//                              control is marked dirty when the text changed
//   draw(context)              background part, then the text over the control's rectangle
//
// User-interface thread only.
#pragma once

#include "editor/KsEditor.h"
#include "platform/gui/CControl.h"

#include <string>

// Pixels the pen moves for a character the font has no glyph for.
constexpr int kMissingGlyphAdvance = 6;

int drawFontText(CDrawContext& context, const SkinFont& font, const CRect& rect, const char* text);

class TextDisplay : public CControl
{
  public:
    static constexpr int kMaxText = 255;

    TextDisplay(const CRect& size, CControlListener* listener, int tag, const CBitmap* background,
                const SkinFont* font);

    void setText(const char* text);
    const char* getText() const { return text.c_str(); }
    const SkinFont* getFont() const { return font; }

    void draw(CDrawContext& context) override;

  private:
    const SkinFont* font;
    std::string text;
};
