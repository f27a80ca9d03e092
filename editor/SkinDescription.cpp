#include "editor/SkinDescription.h"

#include "platform/os/OsFiles.h"

#include <cstdint>

namespace
{

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads words, integers and raw characters from the text, as a formatted reader of a text
// stream does: every read but a raw one skips leading whitespace first.
class Scanner
{
  public:
    explicit Scanner(std::string_view text) : at(text.data()), end(text.data() + text.size()) {}

    // The next word; empty at the end of the text.
    std::string_view word()
    {
        skipSpace();
        const char* start = at;
        while (at < end && !isSpace(*at))
            ++at;
        return {start, static_cast<std::size_t>(at - start)};
    }

    // An optionally signed decimal integer that fits 32 bits; on failure nothing is consumed.
    bool integer(int& value)
    {
        skipSpace();
        const char* start = at;
        bool negative = false;
        if (at < end && (*at == '+' || *at == '-')) negative = *at++ == '-';
        std::int64_t magnitude = 0;
        const char* digits = at;
        while (at < end && *at >= '0' && *at <= '9') {
            magnitude = magnitude * 10 + (*at++ - '0');
            if (magnitude > 2147483648LL) break;
        }
        const std::int64_t signedValue = negative ? -magnitude : magnitude;
        if (at == digits || signedValue > INT32_MAX || signedValue < INT32_MIN ||
            (at < end && *at >= '0' && *at <= '9')) {
            at = start;
            return false;
        }
        value = static_cast<int>(signedValue);
        return true;
    }

    // One character exactly as it stands.
    bool raw(char& c)
    {
        if (at >= end) return false;
        c = *at++;
        return true;
    }

    // Skips words until one equals header; false when the text ends first.
    bool findHeader(std::string_view header)
    {
        for (;;) {
            const std::string_view w = word();
            if (w.empty()) return false;
            if (w == header) return true;
        }
    }

  private:
    void skipSpace()
    {
        while (at < end && isSpace(*at))
            ++at;
    }

    const char* at;
    const char* end;
};

bool storableName(std::string_view name)
{
    return !name.empty() && name.size() <= SkinDescription::kMaxNameLength;
}

bool coordinates(Scanner& in, int& a, int& b, int& c, int& d)
{
    int* values[] = {&a, &b, &c, &d};
    for (int* v : values) {
        if (!in.integer(*v)) return false;
        if (*v < -SkinDescription::kCoordinateLimit || *v > SkinDescription::kCoordinateLimit) return false;
    }
    return true;
}

bool readFonts(Scanner& in, std::vector<SkinFontSpec>& fonts)
{
    while (static_cast<int>(fonts.size()) < SkinDescription::kMaxFonts) {
        const std::string_view name = in.word();
        if (SkinDescription::isEndWord(name)) return true;
        SkinFontSpec font;
        if (!storableName(name)) return false;
        font.name = name;
        if (!in.integer(font.glyphCount) || font.glyphCount < 0 ||
            font.glyphCount > SkinDescription::kMaxGlyphs)
            return false;
        char c = 0;
        if (!in.raw(c)) return false; // the one separator after the count
        for (int g = 0; g < font.glyphCount; ++g) {
            if (!in.raw(c)) return false;
            font.characters.push_back(c);
        }
        for (int g = 0; g < font.glyphCount; ++g) {
            int width = 0;
            if (!in.integer(width) || width < 0 || width > SkinDescription::kMaxGlyphWidth) return false;
            font.widths.push_back(width);
        }
        fonts.push_back(std::move(font));
    }
    return true;
}

bool readPages(Scanner& in, std::vector<SkinPageSpec>& pages)
{
    while (static_cast<int>(pages.size()) < SkinDescription::kMaxPages) {
        const std::string_view name = in.word();
        if (SkinDescription::isEndWord(name)) return true;
        SkinPageSpec page;
        page.name = name;
        in.word(); // not used
        page.bitmap = in.word();
        const std::string_view unused = in.word();
        if (!storableName(page.name) || page.bitmap.empty() || unused.empty() ||
            !coordinates(in, page.left, page.top, page.right, page.bottom))
            return false;
        pages.push_back(std::move(page));
    }
    return true;
}

bool readControls(Scanner& in, std::vector<SkinControlSpec>& controls)
{
    while (static_cast<int>(controls.size()) < SkinDescription::kMaxControls) {
        const std::string_view name = in.word();
        if (SkinDescription::isEndWord(name)) return true;
        SkinControlSpec control;
        control.parameter = name;
        control.kind = in.word();
        control.bitmap = in.word();
        control.page = in.word();
        if (control.page.empty() || !coordinates(in, control.x1, control.y1, control.x2, control.y2))
            return false;
        controls.push_back(std::move(control));
    }
    return true;
}

} // namespace

bool SkinDescription::isEndWord(std::string_view word)
{
    return word.empty() || word[0] == '-' || (word.size() > 1 && word[1] == '-');
}

void SkinDescription::clear()
{
    bitmaps.clear();
    fonts.clear();
    parameters.clear();
    pages.clear();
    controls.clear();
}

bool SkinDescription::parse(std::string_view text)
{
    clear();
    Scanner in(text);
    bool ok = text.size() <= kMaxFileSize && in.findHeader("BITMAPS");
    while (ok && static_cast<int>(bitmaps.size()) < kMaxBitmaps) {
        const std::string_view name = in.word();
        if (isEndWord(name)) break;
        ok = storableName(name);
        bitmaps.emplace_back(name);
    }
    ok = ok && in.findHeader("FONTS") && readFonts(in, fonts);
    ok = ok && in.findHeader("PARAMETERS");
    while (ok && static_cast<int>(parameters.size()) < kMaxSkinParameters) {
        const std::string_view name = in.word();
        if (isEndWord(name)) break;
        int value = kMissingValue;
        if (!in.integer(value) || value == kMissingValue) break;
        ok = storableName(name);
        parameters.push_back({std::string(name), value});
    }
    ok = ok && in.findHeader("PAGES") && readPages(in, pages);
    ok = ok && in.findHeader("CONTROLS") && readControls(in, controls);
    if (!ok) clear();
    return ok;
}

bool SkinDescription::readFile(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!os::readFile(path, kMaxFileSize, bytes)) {
        clear();
        return false;
    }
    return parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

SkinRect controlRectangle(const std::string& k, int w, int h, int x1, int y1, int x2, int y2)
{
    if (k == "Knob") return {x1 - w / 2, y1 - w / 2, x1 + w / 2, y1 + w / 2};
    if (k == "OnButton" || k == "Switch" || k == "KickButton")
        return {x1 - w / 2, y1 - h / 4, x1 + w / 2, y1 + h / 4};
    if (k == "VSlider") return {x1 - w / 2, y1 - h / 2, x2 + w / 2, y2 + h / 2};
    if (k == "Selector" || k == "UpDownPreset") return {x1 - w / 2, y1 - h / 6, x1 + w / 2, y1 + h / 6};
    if (k == "MorphSquare") return {x1 - w / 2, y1 - h / 2, x1 + w / 2, y1 + h / 2};
    return {x1, y1, x2, y2};
}
