// SkinLayout: the description of the built-in skin, the single source of both its pictures and
// its description file. Every bitmap is listed once with its size and its look; every panel of
// the signal chain and every control line is listed once with its place and caption. The
// painter draws the background (panels, captions, the plates behind controls that draw nothing)
// and every bitmap from these tables, and the writer turns the same tables into
// "SkinParameters.txt".
//
//   skinLayout()                   the whole description (built once per call)
//   controlRect(control, bitmaps)  the rectangle the editor gives the control of a line, from its
//                                  kind and bitmap size (centred kinds, slider travel, explicit)
//   findBitmap(layout, name)       the bitmap entry of that name, nullptr when there is none
#pragma once

#include <string>
#include <vector>

namespace skingen
{

constexpr int kSkinWidth = 1000;
constexpr int kSkinHeight = 650;
constexpr int kKnobFrames = 101; // frame 50 is the centre position exactly
constexpr int kSelectorArrowWidth = 24;
constexpr int kSmallSelectorArrowWidth = 18;
constexpr int kStepCount = 16;

struct Colour {
    double r, g, b, a = 1.0;
};

// The palette: one accent for values and levels, one for the sequencer's ties and the pad.
namespace palette
{
constexpr Colour kWindow{0.078, 0.082, 0.094};
constexpr Colour kHeader{0.110, 0.118, 0.133};
constexpr Colour kPanel{0.145, 0.153, 0.173};
constexpr Colour kPanelTop{0.173, 0.180, 0.204};
constexpr Colour kBorder{0.243, 0.255, 0.286};
constexpr Colour kInset{0.063, 0.067, 0.078};
constexpr Colour kTitle{0.906, 0.918, 0.937};
constexpr Colour kLabel{0.604, 0.635, 0.682};
constexpr Colour kDim{0.373, 0.392, 0.427};
constexpr Colour kAccent{1.000, 0.604, 0.235};
constexpr Colour kAccentDeep{0.851, 0.384, 0.090};
constexpr Colour kTeal{0.227, 0.784, 0.753};
constexpr Colour kDisplayText{1.000, 0.835, 0.651};
} // namespace palette

// How a bitmap looks; the painter has one drawing for each.
enum class Look {
    Background,
    Knob,
    PowerButton,
    TextButton,   // two frames (off/normal, on/pressed) with a caption
    ActionButton, // as TextButton, drawn to stand out
    PatternButton,
    Selector,  // three frames: normal, previous held, next held
    PresetBar, // three frames, like Selector, with wider arrows
    UpDown,    // three frames: normal, upper held, lower held
    SliderHandle,
    MeterOn,
    MeterOff,
    StepBar,
    StepBarBeat,
    TieBar,
    XYPad,
    XYCursor,
    Font,
    Blank,
};

struct BitmapSpec {
    std::string name;
    Look look;
    int width = 0, height = 0; // a font's width comes from its glyphs (0 here)
    std::string caption;       // TextButton, PatternButton: what the button says
    int arrowWidth = 0;        // Selector, PresetBar: width of each arrow zone
};

struct FontSpec {
    std::string name; // also the name of its glyph-strip bitmap
    std::string file; // a file name of the DejaVu family
    double size = 12; // pixels
    Colour colour;
};

// A framed section of the signal chain; the power switch (if any) sits at the left of its title.
struct PanelSpec {
    std::string title;
    int left, top, right, bottom;
    std::string power; // parameter name of the section switch, "" for none
    bool sub = false;  // a sub-section inside a panel: a divider and a title, no frame
};

// A caption drawn into the background (beside a group, under the steps); a note is a quieter hint.
enum class Align { Centre, Left, Right };
struct CaptionSpec {
    std::string text;
    int x, y; // the point of the baseline that align names
    Align align = Align::Centre;
    bool note = false;
};

// A picture drawn into the background behind a control that draws nothing itself, or a
// plate that a control draws over with the same pixels (so that a display over it blends in).
enum class Plate { None, MenuButton, StepGrid, TieGrid, SliderTrack, MeterFrame, PresetBar };

struct ControlSpec {
    std::string parameter, kind, bitmap;
    int x1, y1, x2 = 0, y2 = 0;
    std::string caption; // drawn under the control's rectangle when not empty
    Plate plate = Plate::None;
    std::string plateText; // MenuButton: the button's text
};

struct SkinValue {
    std::string name;
    int value;
};

struct Rect {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool intersects(const Rect& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
};

struct SkinLayout {
    std::vector<BitmapSpec> bitmaps;
    std::vector<FontSpec> fonts; // the first one is the selectors' font
    std::vector<SkinValue> values;
    std::vector<PanelSpec> panels;
    std::vector<CaptionSpec> captions;
    std::vector<ControlSpec> controls;
};

SkinLayout skinLayout();
const BitmapSpec* findBitmap(const SkinLayout& layout, const std::string& name);
Rect controlRect(const ControlSpec& control, const SkinLayout& layout);

} // namespace skingen
