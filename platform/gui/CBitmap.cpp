// Bitmaps: straight RGBA pixels converted to cairo's premultiplied ARGB32 and back.
#include "platform/gui/CBitmap.h"

#include <bit>
#include <cstring>

namespace
{

bool sizeAllowed(int width, int height)
{
    return width > 0 && height > 0 && width <= gui::kMaxImageSide && height <= gui::kMaxImageSide;
}

uint8_t premultiply(uint8_t c, uint8_t a)
{
    return uint8_t((unsigned(c) * a + 127) / 255);
}

uint8_t unpremultiply(uint8_t c, uint8_t a)
{
    if (a == 0) return 0;
    const unsigned v = (unsigned(c) * 255 + a / 2) / a;
    return uint8_t(v > 255 ? 255 : v);
}

CColor colorFromArgb(uint32_t argb)
{
    const uint8_t a = uint8_t(argb >> 24);
    return {unpremultiply(uint8_t(argb >> 16), a), unpremultiply(uint8_t(argb >> 8), a),
            unpremultiply(uint8_t(argb), a), a};
}

} // namespace

CBitmap::CBitmap(int w, int h)
{
    if (!sizeAllowed(w, h)) return;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return;
    }
    surface = s;
    width = w;
    height = h;
}

CBitmap::CBitmap(const gui::RgbaImage& image)
{
    assign(image);
}

CBitmap::~CBitmap()
{
    release();
}

void CBitmap::release()
{
    if (surface) cairo_surface_destroy(surface);
    surface = nullptr;
    width = height = 0;
    opaque = false;
}

bool CBitmap::assign(const gui::RgbaImage& image)
{
    release();
    if (!sizeAllowed(image.width, image.height) ||
        image.pixels.size() != size_t(image.width) * size_t(image.height) * 4)
        return false;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return false;
    }
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    bool allOpaque = true;
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
        const uint8_t* src = image.pixel(0, y);
        for (int x = 0; x < image.width; ++x, src += 4) {
            const uint8_t a = src[3];
            allOpaque = allOpaque && a == 255;
            row[x] = uint32_t(a) << 24 | uint32_t(premultiply(src[0], a)) << 16 |
                     uint32_t(premultiply(src[1], a)) << 8 | premultiply(src[2], a);
        }
    }
    cairo_surface_mark_dirty(s);
    surface = s;
    width = image.width;
    height = image.height;
    opaque = allOpaque;
    return true;
}

CColor CBitmap::getPixel(int x, int y) const
{
    if (!surface || x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0, 0};
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    uint32_t argb;
    std::memcpy(&argb, data + size_t(y) * size_t(stride) + size_t(x) * 4, 4);
    return colorFromArgb(argb);
}

gui::RgbaImage CBitmap::toRgba() const
{
    gui::RgbaImage image;
    if (!surface) return image;
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * size_t(height) * 4);
    copyRgba(CRect(0, 0, width, height), image);
    return image;
}

void CBitmap::copyRgba(const CRect& rect, gui::RgbaImage& image) const
{
    if (!surface || image.width != width || image.height != height) return;
    const CRect area = rect.intersect(CRect(0, 0, width, height));
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = area.top; y < area.bottom; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride));
        uint8_t* out = image.pixels.data() + (size_t(y) * size_t(width) + size_t(area.left)) * 4;
        const int n = area.getWidth();
        if constexpr (std::endian::native == std::endian::little) {
            // Opaque pixels only change byte order (ARGB word to R, G, B, A bytes): a loop the
            // compiler vectorises. Translucent pixels are then unpremultiplied one by one.
            uint32_t alphas = 0xff000000u;
            for (int i = 0; i < n; ++i) {
                const uint32_t argb = row[area.left + i];
                const uint32_t rgba = (argb & 0xff00ff00u) | ((argb >> 16) & 0xffu) | ((argb & 0xffu) << 16);
                std::memcpy(out + size_t(i) * 4, &rgba, 4);
                alphas &= argb;
            }
            if ((alphas >> 24) == 255) continue;
        }
        for (int i = 0; i < n; ++i) {
            const uint32_t argb = row[area.left + i];
            const CColor c = colorFromArgb(argb);
            uint8_t* p = out + size_t(i) * 4;
            p[0] = c.red;
            p[1] = c.green;
            p[2] = c.blue;
            p[3] = c.alpha;
        }
    }
}

void CBitmap::pixelsChanged()
{
    if (!surface) return;
    cairo_surface_flush(surface);
    cairo_surface_mark_dirty(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    bool allOpaque = true;
    for (int y = 0; y < height && allOpaque; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride));
        for (int x = 0; x < width; ++x)
            if ((row[x] >> 24) != 255) {
                allOpaque = false;
                break;
            }
    }
    opaque = allOpaque;
}

CBitmapEx::CBitmapEx(const std::string& path)
{
    gui::RgbaImage image;
    if (gui::readPngFile(path, image)) assign(image);
}
