// Drawing with cairo. Bitmaps are placed at whole pixels with nearest-neighbour sampling, so
// the pixels of an opaque bitmap reach the target unchanged; those are copied with the source
// operator (a plain row copy inside cairo), others blended with the over operator.
#include "platform/gui/CDrawContext.h"

#include <cmath>

namespace
{

void setSourceColor(cairo_t* cr, CColor c)
{
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

} // namespace

CDrawContext::CDrawContext(cairo_surface_t* surface)
{
    cairo_surface_t* target = surface;
    if (target && cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE) {
        surfaceWidth = cairo_image_surface_get_width(target);
        surfaceHeight = cairo_image_surface_get_height(target);
    } else {
        // No usable surface: draw into a 1 x 1 image so that every operation stays harmless.
        target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cr = cairo_create(target);
        cairo_surface_destroy(target);
        surfaceWidth = surfaceHeight = 0;
        clip = CRect();
        return;
    }
    cr = cairo_create(target);
    clip = CRect(0, 0, surfaceWidth, surfaceHeight);
}

CDrawContext::~CDrawContext()
{
    cairo_destroy(cr);
}

void CDrawContext::setOrigin(CPoint o)
{
    origin = o;
    applyClip();
}

void CDrawContext::setClipRect(const CRect& rect)
{
    clip = rect.offset(origin.x, origin.y).intersect(CRect(0, 0, surfaceWidth, surfaceHeight));
    applyClip();
}

CRect CDrawContext::getClipRect() const
{
    return clip.offset(-origin.x, -origin.y);
}

void CDrawContext::resetClipRect()
{
    clip = CRect(0, 0, surfaceWidth, surfaceHeight);
    applyClip();
}

void CDrawContext::applyClip()
{
    cairo_reset_clip(cr);
    cairo_identity_matrix(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.getWidth(), clip.getHeight());
    cairo_clip(cr);
    cairo_translate(cr, origin.x, origin.y);
}

namespace
{

// Places the pixels of image from srcOffset into dest at whole pixels, limited to the part of
// dest that the image covers from there.
void placeImage(cairo_t* cr, const CBitmap& image, const CRect& dest, CPoint srcOffset, cairo_operator_t op,
                double alpha)
{
    if (image.isEmpty()) return;
    const CRect source(dest.left - srcOffset.x, dest.top - srcOffset.y, dest.left - srcOffset.x + image.getWidth(),
                       dest.top - srcOffset.y + image.getHeight());
    const CRect area = dest.intersect(source);
    if (area.isEmpty()) return;
    cairo_save(cr);
    cairo_set_operator(cr, op);
    cairo_set_source_surface(cr, image.getSurface(), source.left, source.top);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, area.left, area.top, area.getWidth(), area.getHeight());
    if (alpha >= 1.0) {
        cairo_fill(cr);
    } else {
        cairo_clip(cr);
        cairo_paint_with_alpha(cr, alpha);
    }
    cairo_restore(cr);
}

} // namespace

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& dest, CPoint srcOffset, double alpha)
{
    if (alpha <= 0.0) return;
    const bool copy = bitmap.isOpaque() && alpha >= 1.0;
    placeImage(cr, bitmap, dest, srcOffset, copy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER, alpha);
}

void COffscreenContext::copyTo(CDrawContext& dest, const CRect& destRect, CPoint srcOffset) const
{
    if (image->isEmpty()) return;
    cairo_surface_flush(image->getSurface());
    placeImage(dest.getCairo(), *image, destRect, srcOffset, CAIRO_OPERATOR_SOURCE, 1.0);
}

void CDrawContext::fillRect(const CRect& rect)
{
    cairo_save(cr);
    setSourceColor(cr, fillColor);
    cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
    cairo_fill(cr);
    cairo_restore(cr);
}

void CDrawContext::frameRect(const CRect& rect)
{
    cairo_save(cr);
    setSourceColor(cr, frameColor);
    cairo_set_line_width(cr, lineWidth);
    // Half a line width inside, so that a one-pixel frame covers the rectangle's edge pixels.
    const double h = lineWidth / 2;
    cairo_rectangle(cr, rect.left + h, rect.top + h, rect.getWidth() - lineWidth,
                    rect.getHeight() - lineWidth);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void CDrawContext::drawLine(CPoint from, CPoint to)
{
    drawLines({{from, to}});
}

void CDrawContext::drawLines(const std::vector<std::pair<CPoint, CPoint>>& segments)
{
    if (segments.empty()) return;
    cairo_save(cr);
    setSourceColor(cr, frameColor);
    cairo_set_line_width(cr, lineWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    // Pixel centres, so that one-pixel lines along a row or column stay one pixel wide.
    for (const auto& [a, b] : segments) {
        cairo_move_to(cr, a.x + 0.5, a.y + 0.5);
        cairo_line_to(cr, b.x + 0.5, b.y + 0.5);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

namespace
{

void ellipsePath(cairo_t* cr, const CRect& rect)
{
    cairo_save(cr);
    cairo_translate(cr, rect.left + rect.getWidth() / 2.0, rect.top + rect.getHeight() / 2.0);
    cairo_scale(cr, rect.getWidth() / 2.0, rect.getHeight() / 2.0);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

} // namespace

void CDrawContext::fillEllipse(const CRect& rect)
{
    if (rect.isEmpty()) return;
    cairo_save(cr);
    setSourceColor(cr, fillColor);
    ellipsePath(cr, rect);
    cairo_fill(cr);
    cairo_restore(cr);
}

void CDrawContext::frameEllipse(const CRect& rect)
{
    if (rect.isEmpty()) return;
    cairo_save(cr);
    setSourceColor(cr, frameColor);
    cairo_set_line_width(cr, lineWidth);
    ellipsePath(cr, rect);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void CDrawContext::drawString(const std::string& text, const CRect& rect, CTextAlign align)
{
    if (text.empty() || rect.isEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
    cairo_clip(cr);
    setSourceColor(cr, fontColor);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, fontSize);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    double x = rect.left;
    if (align == CTextAlign::center) x = rect.left + (rect.getWidth() - extents.x_advance) / 2;
    if (align == CTextAlign::right) x = rect.right - extents.x_advance;
    const double y = rect.top + (rect.getHeight() + font.ascent - font.descent) / 2;
    cairo_move_to(cr, std::round(x), std::round(y));
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

COffscreenContext::COffscreenContext(int width, int height)
    : COffscreenContext(std::make_unique<CBitmap>(width, height))
{
}

COffscreenContext::COffscreenContext(std::unique_ptr<CBitmap> bitmap)
    : CDrawContext(bitmap->getSurface()), image(std::move(bitmap))
{
}

COffscreenContext::~COffscreenContext() = default;
