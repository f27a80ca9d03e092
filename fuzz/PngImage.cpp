// Fuzz target: a PNG file decoded into a bitmap's pixels.
#include "platform/gui/PngImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    gui::RgbaImage image;
    if (!gui::decodePng(data, size, image)) {
        if (image.width != 0 || image.height != 0 || !image.pixels.empty()) std::abort();
        return 0;
    }
    if (image.width < 1 || image.height < 1 || image.width > gui::kMaxImageSide ||
        image.height > gui::kMaxImageSide ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4)
        std::abort();
    // Every pixel can be read.
    unsigned sum = 0;
    for (int y = 0; y < image.height; y += 1 + image.height / 8)
        for (int x = 0; x < image.width; x += 1 + image.width / 8)
            sum += image.pixel(x, y)[3];
    return sum == 0xFFFFFFFFu;
}
