// PNG decoding and encoding through libpng's simplified interface, which reports every error
// (bad signature, corrupt or missing data) as a failed call instead of aborting.
#include "platform/gui/PngImage.h"

#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace gui
{

namespace
{

// The fewest bytes a PNG of this size can have: its smallest pixel rows (one bit per pixel plus
// the filter byte) deflated at deflate's best possible ratio (under 1032 to 1). A file shorter
// than that is cut or corrupt, and is refused before its pixel memory is allocated.
size_t smallestPngBytes(uint32_t width, uint32_t height)
{
    const uint64_t rawBytes = uint64_t(height) * (1 + (uint64_t(width) + 7) / 8);
    return size_t(rawBytes / 1032);
}

} // namespace

bool decodePng(const uint8_t* data, size_t size, RgbaImage& image)
{
    if (data == nullptr || size == 0) return false;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    // Reads the signature and the header only: the size is known before any pixel is decoded.
    if (!png_image_begin_read_from_memory(&png, data, size)) return false;
    if (png.width == 0 || png.height == 0 || png.width > unsigned(kMaxImageSide) ||
        png.height > unsigned(kMaxImageSide) || size < smallestPngBytes(png.width, png.height)) {
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGBA;
    RgbaImage decoded;
    decoded.width = int(png.width);
    decoded.height = int(png.height);
    decoded.pixels.resize(size_t(png.width) * size_t(png.height) * 4);
    if (!png_image_finish_read(&png, nullptr, decoded.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    image = std::move(decoded);
    return true;
}

bool readPngFile(const std::string& path, RgbaImage& image)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length <= 0 || uint64_t(length) > kMaxPngFileBytes) return false;
    in.seekg(0, std::ios::beg);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), length)) return false;
    return decodePng(bytes.data(), bytes.size(), image);
}

bool writePng(const std::string& path, const RgbaImage& image)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != size_t(image.width) * size_t(image.height) * 4)
        return false;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGBA;
    const int ok = png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), 0, nullptr);
    png_image_free(&png);
    if (!ok) std::remove(path.c_str());
    return ok != 0;
}

} // namespace gui
