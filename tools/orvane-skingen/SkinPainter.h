// SkinPainter: draws the built-in skin's pictures with cairo, from the layout description.
//
//   SkinPainter(fontFolder)          loads the DejaVu faces the skin writes with from that folder;
//                                    ok() is false when one of them cannot be loaded. One painter
//                                    at a time: its end resets cairo's caches, so every cairo
//                                    object must be gone by then
//   paint(cr, bitmap, layout)        draws one bitmap (not a font strip) at its size
//   measureGlyphs(font, glyphs)      the advance of each glyph in whole pixels, and the strip
//                                    height that holds every glyph
//   paintGlyphs(cr, font, glyphs, widths)
//                                    the glyph strip: each glyph in its cell, cells side by side
#pragma once

#include "SkinLayout.h"

#include <cairo.h>

#include <string>
#include <vector>

namespace skingen
{

struct GlyphMetrics {
    std::vector<int> widths;
    int height = 0;
    int baseline = 0;
};

class SkinPainter
{
  public:
    explicit SkinPainter(const std::string& fontFolder);
    ~SkinPainter();
    SkinPainter(const SkinPainter&) = delete;
    SkinPainter& operator=(const SkinPainter&) = delete;

    bool ok() const { return regular && bold; }

    void paint(cairo_t* cr, const BitmapSpec& bitmap, const SkinLayout& layout) const;
    GlyphMetrics measureGlyphs(const FontSpec& font, const std::string& glyphs) const;
    void paintGlyphs(cairo_t* cr, const FontSpec& font, const std::string& glyphs,
                     const GlyphMetrics& metrics) const;

  private:
    cairo_font_face_t* load(const std::string& path) const;
    // Sets the face, size and the hinting that keeps glyph advances on whole pixels.
    void useFont(cairo_t* cr, cairo_font_face_t* face, double size) const;
    // Text of the given size, centred on x (or starting at x), baseline y, with extra letter spacing.
    void text(cairo_t* cr, const std::string& s, double x, double y, double size, Colour colour, bool isBold,
              bool centred = true, double tracking = 0.0) const;
    double textWidth(cairo_t* cr, const std::string& s, double size, bool isBold, double tracking) const;

    void paintBackground(cairo_t* cr, const SkinLayout& layout) const;
    void paintPanel(cairo_t* cr, const PanelSpec& panel) const;
    void paintPlate(cairo_t* cr, const ControlSpec& control, const SkinLayout& layout) const;
    void paintButton(cairo_t* cr, const BitmapSpec& bitmap) const;
    void paintArrowPlate(cairo_t* cr, const BitmapSpec& bitmap, int frame, bool display) const;

    void* library = nullptr; // FT_Library
    cairo_font_face_t* regular = nullptr;
    cairo_font_face_t* bold = nullptr;
};

} // namespace skingen
