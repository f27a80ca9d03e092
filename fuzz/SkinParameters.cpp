// Fuzz target: a skin description file ("SkinParameters.txt") read into its tables.
#include "editor/SkinDescription.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SkinDescription skin;
    const bool ok = skin.parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!ok && (!skin.bitmaps.empty() || !skin.controls.empty())) std::abort();
    if (static_cast<int>(skin.bitmaps.size()) > SkinDescription::kMaxBitmaps ||
        static_cast<int>(skin.fonts.size()) > SkinDescription::kMaxFonts ||
        static_cast<int>(skin.parameters.size()) > SkinDescription::kMaxSkinParameters ||
        static_cast<int>(skin.pages.size()) > SkinDescription::kMaxPages ||
        static_cast<int>(skin.controls.size()) > SkinDescription::kMaxControls)
        std::abort();
    for (const SkinFontSpec& font : skin.fonts)
        if (font.glyphCount < 0 || font.glyphCount > SkinDescription::kMaxGlyphs ||
            font.characters.size() != static_cast<size_t>(font.glyphCount) ||
            font.widths.size() != static_cast<size_t>(font.glyphCount))
            std::abort();
    for (const SkinValueSpec& value : skin.parameters)
        if (value.value == SkinDescription::kMissingValue ||
            value.name.size() > SkinDescription::kMaxNameLength)
            std::abort();
    for (const SkinControlSpec& c : skin.controls)
        if (c.x1 < -SkinDescription::kCoordinateLimit || c.x1 > SkinDescription::kCoordinateLimit)
            std::abort();
    return 0;
}
