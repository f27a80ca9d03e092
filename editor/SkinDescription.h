// SkinDescription: the tables of a skin description file ("SkinParameters.txt"), read as text
// only: no bitmap is loaded and no view is made here, so the reader can be tested and fuzzed
// alone. KsEditor::loadSkin builds the editor from these tables.
//
// The file is a sequence of whitespace-separated words (line breaks carry no meaning, except
// that a font line reads its glyph characters raw). Five sections follow in this order:
// BITMAPS, FONTS, PARAMETERS, PAGES, CONTROLS. A section starts after its header word (words
// before it are skipped, so free text can stand there) and ends at an end word: an empty word
// (the end of the file) or one whose first or second character is '-'.
//
//   BITMAPS     up to 128 bitmap names
//   FONTS       up to 8 lines: name, glyph count (0..256), one separator character, that many
//               glyph characters read raw (spaces included), that many glyph widths
//   PARAMETERS  up to 128 pairs "name value"; a value that cannot be read, or -32768, ends the
//               section and is not stored
//   PAGES       up to 64 lines: name, (unused word), bitmap name, (unused word), left, top,
//               right, bottom
//   CONTROLS    lines: parameter name, kind, bitmap name, page name, x1, y1, x2, y2; the end of
//               the file also ends this last section
//
// parse() returns false for anything that makes the skin unusable: a missing header, a file
// that ends inside a section other than CONTROLS, a font, page or control line that cannot be
// read whole, a stored name longer than 127 characters, a glyph count outside 0..256, a glyph
// width outside 0..16384, a coordinate beyond +-1000000, a file above 1 MiB. Entries beyond the
// limits of a section are ignored, as the reader stops taking them there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct SkinFontSpec {
    std::string name;
    int glyphCount = 0;
    std::string characters;  // glyphCount characters, in strip order
    std::vector<int> widths; // glyphCount widths in pixels
};

struct SkinValueSpec {
    std::string name;
    int value = 0;
};

struct SkinPageSpec {
    std::string name;
    std::string bitmap;
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Where the control of a CONTROLS line lies, from its kind, its bitmap's width w and height h
// and the line's four numbers: the centred kinds ("Knob", "OnButton", "Switch", "KickButton",
// "Selector", "UpDownPreset", "MorphSquare") take (x1, y1) as the centre, "VSlider" takes the
// two ends of its handle's travel, every other kind the rectangle itself. Halves, quarters and
// sixths truncate toward zero. The editor and the skin generator both place controls with it.
struct SkinRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
SkinRect controlRectangle(const std::string& kind, int w, int h, int x1, int y1, int x2, int y2);

struct SkinControlSpec {
    std::string parameter;
    std::string kind;
    std::string bitmap;
    std::string page;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

class SkinDescription
{
  public:
    static constexpr int kMaxBitmaps = 128;
    static constexpr int kMaxFonts = 8;
    static constexpr int kMaxGlyphs = 256;
    static constexpr int kMaxSkinParameters = 128;
    static constexpr int kMaxPages = 64;
    static constexpr int kMaxControls = 4096;
    static constexpr std::size_t kMaxNameLength = 127;
    static constexpr int kMaxGlyphWidth = 16384;
    static constexpr int kCoordinateLimit = 1000000;
    static constexpr std::size_t kMaxFileSize = 1 << 20;
    // The value that ends the PARAMETERS section, and what an absent skin parameter reads as.
    static constexpr int kMissingValue = -32768;

    // Reads the description from memory; on false the tables are left empty.
    bool parse(std::string_view text);
    // Reads the whole file and parses it; false when it cannot be read or is refused.
    bool readFile(const std::string& path);
    // Empties every table.
    void clear();

    // True for a word that ends a section.
    static bool isEndWord(std::string_view word);

    std::vector<std::string> bitmaps;
    std::vector<SkinFontSpec> fonts;
    std::vector<SkinValueSpec> parameters;
    std::vector<SkinPageSpec> pages;
    std::vector<SkinControlSpec> controls;
};
