#include "editor/TextDisplay.h"

#include "platform/gui/CDrawContext.h"

int drawFontText(CDrawContext& context, const SkinFont& font, const CRect& rect, const char* text)
{
    int x = rect.left;
    if (!text) return x;
    const int glyphHeight = font.bitmap ? font.bitmap->getHeight() : 0;
    const int y0 = (rect.top + rect.bottom) / 2 - glyphHeight / 2;
    for (const char* c = text; *c && x < rect.right; ++c) {
        const int k = font.glyphOf(*c);
        if (k < 0) {
            x += kMissingGlyphAdvance;
            continue;
        }
        if (font.bitmap)
            context.drawBitmap(*font.bitmap, CRect(x, y0, x + font.widths[k], y0 + glyphHeight),
                               CPoint(font.offsets[k], 0));
        x += font.widths[k];
    }
    return x;
}

TextDisplay::TextDisplay(const CRect& area, CControlListener* l, int t, const CBitmap* backgroundBitmap,
                         const SkinFont* skinFont)
    : CControl(area, l, t, backgroundBitmap), font(skinFont)
{
}

void TextDisplay::setText(const char* next)
{
    std::string cut = next ? next : "";
    if (cut.size() > kMaxText) cut.resize(kMaxText);
    if (cut == text) return;
    text = std::move(cut);
    setDirty();
}

void TextDisplay::draw(CDrawContext& context)
{
    if (background) context.drawBitmap(*background, size, size.topLeft());
    if (font) drawFontText(context, *font, size, text.c_str());
    setDirty(false);
}
