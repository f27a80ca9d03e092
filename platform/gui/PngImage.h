// PNG reading and writing for bitmaps and snapshots (libpng).
//
//   RgbaImage                          width, height and rows of 8-bit straight RGBA pixels
//   decodePng(data, size, image)       decodes a whole PNG held in memory; the header's size is
//                                      checked before any pixel is decoded and images wider or
//                                      taller than kMaxImageSide are refused; anything that is not
//                                      a complete valid PNG (empty, truncated, corrupt) is refused;
//                                      a file too short to hold the pixels its header declares is
//                                      refused before pixel memory is allocated.
//                                      On refusal the result is false and image is unchanged.
//   readPngFile(path, image)           the same for a file (refuses files above kMaxPngFileBytes)
//   writePng(path, image)              writes image as an 8-bit RGBA PNG; false on any failure
//
// These allocate and do I/O: user-interface thread or tools only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gui
{

constexpr int kMaxImageSide = 16384;
constexpr size_t kMaxPngFileBytes = size_t(256) << 20;

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // height rows of width * 4 bytes: R, G, B, A

    const uint8_t* pixel(int x, int y) const
    {
        return pixels.data() + (size_t(y) * size_t(width) + size_t(x)) * 4;
    }
};

bool decodePng(const uint8_t* data, size_t size, RgbaImage& image);
bool readPngFile(const std::string& path, RgbaImage& image);
bool writePng(const std::string& path, const RgbaImage& image);

} // namespace gui
