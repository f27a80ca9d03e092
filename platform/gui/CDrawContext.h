// Drawing on a cairo ARGB32 image surface.
//
// CDrawContext(surface)           draws on a surface it does not own
//   setOrigin(p), getOrigin()     where (0, 0) of the drawing coordinates lies on the surface;
//                                 containers move it so that their children draw in the
//                                 container's own coordinates
//   setClipRect(r), getClipRect() restricts drawing to r (in current drawing coordinates,
//                                 intersected with the surface); resetClipRect() lifts it
//   setFrameColor, setFillColor, setFontColor, setLineWidth, setFontSize
//                                 pen, fill and text state for what follows
//   drawBitmap(bitmap, dest, srcOffset, alpha)
//                                 copies the part of bitmap that starts at srcOffset into dest,
//                                 at whole pixels without scaling or filtering; the part of dest
//                                 beyond the bitmap's edge is left alone. Opaque bitmaps are
//                                 copied exactly, others are alpha-blended over what is there;
//                                 alpha below 1 fades the bitmap
//   fillRect(r), frameRect(r)     a filled rectangle (fill colour) / its outline (frame colour)
//   drawLine(a, b)                a line with the frame colour and line width (anti-aliased)
//   drawLines(pairs)              line segments, each a pair of points
//   fillEllipse(r), frameEllipse(r)
//                                 the ellipse inscribed in r
//   drawString(text, r, align)    one line of text in r with the font colour and size
//   getCairo()                    the cairo context for anything else (origin and clip applied)
// COffscreenContext(width, height): a CDrawContext on a transparent image of its own
//   getBitmap()                   the image drawn so far
//   copyTo(dest, destRect, srcOffset)
//                                 copies pixels exactly into another context (drawBitmap of the
//                                 image with the source operator: no blending)
//
// User-interface thread only.
#pragma once

#include "platform/gui/CBitmap.h"
#include "platform/gui/GuiTypes.h"

#include <cairo.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

enum class CTextAlign { left, center, right };

class CDrawContext
{
  public:
    explicit CDrawContext(cairo_surface_t* surface);
    virtual ~CDrawContext();
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    void setOrigin(CPoint origin);
    CPoint getOrigin() const { return origin; }
    void setClipRect(const CRect& rect);
    CRect getClipRect() const;
    void resetClipRect();

    void setFrameColor(CColor color) { frameColor = color; }
    void setFillColor(CColor color) { fillColor = color; }
    void setFontColor(CColor color) { fontColor = color; }
    void setLineWidth(double width) { lineWidth = width; }
    void setFontSize(double size) { fontSize = size; }
    CColor getFrameColor() const { return frameColor; }
    CColor getFillColor() const { return fillColor; }
    double getLineWidth() const { return lineWidth; }

    void drawBitmap(const CBitmap& bitmap, const CRect& dest, CPoint srcOffset = {}, double alpha = 1.0);
    void fillRect(const CRect& rect);
    void frameRect(const CRect& rect);
    void drawLine(CPoint from, CPoint to);
    void drawLines(const std::vector<std::pair<CPoint, CPoint>>& segments);
    void fillEllipse(const CRect& rect);
    void frameEllipse(const CRect& rect);
    void drawString(const std::string& text, const CRect& rect, CTextAlign align = CTextAlign::center);

    cairo_t* getCairo() const { return cr; }
    int getSurfaceWidth() const { return surfaceWidth; }
    int getSurfaceHeight() const { return surfaceHeight; }

  private:
    void applyClip();

    cairo_t* cr = nullptr;
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    CPoint origin;
    CRect clip; // surface coordinates
    CColor frameColor{0, 0, 0, 255};
    CColor fillColor{255, 255, 255, 255};
    CColor fontColor{0, 0, 0, 255};
    double lineWidth = 1.0;
    double fontSize = 12.0;
};

class COffscreenContext : public CDrawContext
{
  public:
    COffscreenContext(int width, int height);
    ~COffscreenContext() override;

    const CBitmap& getBitmap() const { return *image; }
    void copyTo(CDrawContext& dest, const CRect& destRect, CPoint srcOffset = {}) const;

  private:
    explicit COffscreenContext(std::unique_ptr<CBitmap> bitmap);
    std::unique_ptr<CBitmap> image;
};
