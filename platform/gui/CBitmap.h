// Bitmaps of the GUI toolkit: pixel images held as cairo image surfaces.
//
// CBitmap
//   CBitmap(width, height)        a transparent image of that size (an empty one for a size of 0,
//                                 a negative size or a side above gui::kMaxImageSide)
//   CBitmap(image)                a copy of straight RGBA pixels
//   getWidth(), getHeight()       size in pixels (0 x 0 when empty)
//   isEmpty()                     holds no pixels
//   isOpaque()                    every pixel has alpha 255 (known from the pixels it was made of);
//                                 opaque bitmaps are copied, not blended
//   getPixel(x, y)                straight RGBA colour of one pixel (transparent black outside)
//   toRgba()                      all pixels as straight RGBA
//   copyRgba(area, image)         the pixels of area (clipped to the bitmap) as straight RGBA into
//                                 the same place of image, which has the bitmap's size
//   getSurface()                  the cairo ARGB32 surface (premultiplied), nullptr when empty
// CBitmapEx: a CBitmap loaded from a PNG file
//   CBitmapEx(path)               loads the file; a missing, truncated or corrupt file or one
//                                 larger than gui::kMaxImageSide a side leaves it empty and
//   isLoaded()                    false
//
// A bitmap is not shared or reference counted: whoever creates it deletes it, after every view
// that draws it. User-interface thread only.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "platform/gui/PngImage.h"

#include <cairo.h>

#include <string>

class CBitmap
{
  public:
    CBitmap(int width, int height);
    explicit CBitmap(const gui::RgbaImage& image);
    virtual ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    bool isEmpty() const { return surface == nullptr; }
    bool isOpaque() const { return opaque; }
    CColor getPixel(int x, int y) const;
    gui::RgbaImage toRgba() const;
    void copyRgba(const CRect& area, gui::RgbaImage& image) const;
    cairo_surface_t* getSurface() const { return surface; }

    // Marks the pixels as changed after drawing into getSurface() directly (recomputes opacity).
    void pixelsChanged();

  protected:
    CBitmap() = default;
    // Replaces the pixels with a copy of image; false (and empty) when the size is not allowed.
    bool assign(const gui::RgbaImage& image);

  private:
    void release();

    cairo_surface_t* surface = nullptr;
    int width = 0;
    int height = 0;
    bool opaque = false;
};

class CBitmapEx : public CBitmap
{
  public:
    explicit CBitmapEx(const std::string& path);
    bool isLoaded() const { return !isEmpty(); }
};
