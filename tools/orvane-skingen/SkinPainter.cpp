#include "SkinPainter.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace skingen
{

namespace
{

constexpr double kPi = 3.14159265358979323846;
// Knob travel: from 7:30 to 4:30 o'clock, clockwise (cairo angles grow clockwise).
constexpr double kKnobStart = 0.75 * kPi, kKnobSweep = 1.5 * kPi;
constexpr double kCaptionSize = 8.5, kSmallCaptionSize = 8.0, kTitleSize = 10.5;
constexpr int kTitleBarHeight = 26;

const cairo_user_data_key_t kFaceKey{};

void releaseFace(void* face)
{
    FT_Done_Face(static_cast<FT_Face>(face));
}

void setColour(cairo_t* cr, Colour c, double alphaScale = 1.0)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a * alphaScale);
}

Colour mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    r = std::min({r, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 1.5 * kPi);
    cairo_close_path(cr);
}

// A vertical gradient fill of the current path from colour top to colour bottom.
void fillVertical(cairo_t* cr, double y0, double y1, Colour top, Colour bottom, bool preserve = false)
{
    cairo_pattern_t* g = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(g, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(g, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr, g);
    if (preserve)
        cairo_fill_preserve(cr);
    else
        cairo_fill(cr);
    cairo_pattern_destroy(g);
}

// A filled triangle pointing left (-1), right (+1), up (-2) or down (+2), centred on (x, y).
void arrow(cairo_t* cr, double x, double y, double size, int direction, Colour colour)
{
    const double a = size / 2, b = size * 0.45;
    if (direction == -1 || direction == 1) {
        const double d = direction;
        cairo_move_to(cr, x + d * b, y);
        cairo_line_to(cr, x - d * b, y - a);
        cairo_line_to(cr, x - d * b, y + a);
    } else {
        const double d = direction / 2.0;
        cairo_move_to(cr, x, y + d * b);
        cairo_line_to(cr, x - a, y - d * b);
        cairo_line_to(cr, x + a, y - d * b);
    }
    cairo_close_path(cr);
    setColour(cr, colour);
    cairo_fill(cr);
}

// The inset well that displays, grids and meters sit in.
void well(cairo_t* cr, double x, double y, double w, double h, double r = 3)
{
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, r);
    fillVertical(cr, y, y + h, palette::kInset, mix(palette::kInset, palette::kPanel, 0.35), true);
    setColour(cr, {0, 0, 0, 0.6});
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    // A faint light edge below the well, as if cut into the panel.
    cairo_move_to(cr, x + r, y + h + 0.5);
    cairo_line_to(cr, x + w - r, y + h + 0.5);
    setColour(cr, {1, 1, 1, 0.05});
    cairo_stroke(cr);
}

void knobFrame(cairo_t* cr, double size, double cy, double value)
{
    const double cx = size / 2;
    const double ringWidth = std::max(2.5, size * 0.075);
    const double ring = size / 2 - ringWidth / 2 - 1;
    const double body = ring - ringWidth / 2 - 2.5;
    const double angle = kKnobStart + kKnobSweep * value;

    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, ringWidth);
    cairo_arc(cr, cx, cy, ring, kKnobStart, kKnobStart + kKnobSweep);
    setColour(cr, {0.055, 0.059, 0.067});
    cairo_stroke(cr);
    if (value > 0.0) {
        cairo_arc(cr, cx, cy, ring, kKnobStart, angle);
        setColour(cr, palette::kAccent);
        cairo_stroke(cr);
    }

    // Body: a soft shadow, then a lit dome.
    cairo_arc(cr, cx, cy + 1.2, body + 0.8, 0, 2 * kPi);
    setColour(cr, {0, 0, 0, 0.55});
    cairo_fill(cr);
    cairo_pattern_t* dome =
        cairo_pattern_create_radial(cx - body * 0.35, cy - body * 0.45, body * 0.1, cx, cy, body);
    cairo_pattern_add_color_stop_rgb(dome, 0, 0.36, 0.375, 0.41);
    cairo_pattern_add_color_stop_rgb(dome, 1, 0.16, 0.17, 0.19);
    cairo_arc(cr, cx, cy, body, 0, 2 * kPi);
    cairo_set_source(cr, dome);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(dome);
    cairo_set_line_width(cr, 1);
    setColour(cr, {0.05, 0.05, 0.06});
    cairo_stroke(cr);

    // Pointer from near the centre to near the rim.
    cairo_set_line_width(cr, std::max(2.0, size * 0.06));
    cairo_move_to(cr, cx + body * 0.30 * std::cos(angle), cy + body * 0.30 * std::sin(angle));
    cairo_line_to(cr, cx + body * 0.88 * std::cos(angle), cy + body * 0.88 * std::sin(angle));
    setColour(cr, palette::kTitle);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

void powerFrame(cairo_t* cr, double size, double cy, bool on)
{
    const double cx = size / 2, r = size / 2 - 2;
    if (on) {
        cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 0, cx, cy, size / 2);
        cairo_pattern_add_color_stop_rgba(glow, 0.6, palette::kAccent.r, palette::kAccent.g,
                                          palette::kAccent.b, 0.35);
        cairo_pattern_add_color_stop_rgba(glow, 1, palette::kAccent.r, palette::kAccent.g, palette::kAccent.b,
                                          0);
        cairo_arc(cr, cx, cy, size / 2, 0, 2 * kPi);
        cairo_set_source(cr, glow);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
    }
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    fillVertical(cr, cy - r, cy + r, {0.24, 0.25, 0.28}, {0.13, 0.135, 0.15}, true);
    cairo_set_line_width(cr, 1);
    setColour(cr, on ? palette::kAccent : Colour{0.05, 0.05, 0.06});
    cairo_stroke(cr);
    // The power symbol: an open ring and a bar through its gap.
    const Colour icon = on ? palette::kAccent : palette::kDim;
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_arc(cr, cx, cy + 0.5, r * 0.5, -kPi / 2 + 0.7, 1.5 * kPi - 0.7);
    setColour(cr, icon);
    cairo_stroke(cr);
    cairo_move_to(cr, cx, cy - r * 0.62);
    cairo_line_to(cr, cx, cy - r * 0.05);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

// The colour of meter segment i (0 at the top) of n: green, yellow near the top, red at it.
Colour meterColour(int i, int n)
{
    const double level = 1.0 - static_cast<double>(i) / n;
    if (level > 0.93) return {1.0, 0.27, 0.22};
    if (level > 0.75) return {1.0, 0.80, 0.25};
    return {0.30, 0.86, 0.50};
}

} // namespace

SkinPainter::SkinPainter(const std::string& fontFolder)
{
    FT_Library ft = nullptr;
    if (FT_Init_FreeType(&ft) != 0) return;
    library = ft;
    regular = load(fontFolder + "/DejaVuSans.ttf");
    bold = load(fontFolder + "/DejaVuSans-Bold.ttf");
}

SkinPainter::~SkinPainter()
{
    if (regular) cairo_font_face_destroy(regular);
    if (bold) cairo_font_face_destroy(bold);
    // Cairo keeps scaled fonts (and so the faces) in caches until it is reset; once they are
    // gone every FreeType face is done and the library can go.
    cairo_debug_reset_static_data();
    if (library) FT_Done_FreeType(static_cast<FT_Library>(library));
}

cairo_font_face_t* SkinPainter::load(const std::string& path) const
{
    FT_Face face = nullptr;
    if (!library || FT_New_Face(static_cast<FT_Library>(library), path.c_str(), 0, &face) != 0)
        return nullptr;
    cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);
    // The FreeType face lives as long as the cairo face that draws with it.
    if (cairo_font_face_set_user_data(cairoFace, &kFaceKey, face, releaseFace) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(cairoFace);
        FT_Done_Face(face);
        return nullptr;
    }
    return cairoFace;
}

void SkinPainter::useFont(cairo_t* cr, cairo_font_face_t* face, double size) const
{
    cairo_set_font_face(cr, face);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

double SkinPainter::textWidth(cairo_t* cr, const std::string& s, double size, bool isBold,
                              double tracking) const
{
    useFont(cr, isBold ? bold : regular, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    return e.x_advance + tracking * static_cast<double>(s.size() > 0 ? s.size() - 1 : 0);
}

void SkinPainter::text(cairo_t* cr, const std::string& s, double x, double y, double size, Colour colour,
                       bool isBold, bool centred, double tracking) const
{
    const double width = textWidth(cr, s, size, isBold, tracking);
    double pen = std::round(centred ? x - width / 2 : x);
    setColour(cr, colour);
    for (char c : s) {
        const char one[2] = {c, 0};
        cairo_move_to(cr, pen, y);
        cairo_show_text(cr, one);
        cairo_text_extents_t e;
        cairo_text_extents(cr, one, &e);
        pen += e.x_advance + tracking;
    }
}

// ---- bitmaps ------------------------------------------------------------------------------------

void SkinPainter::paint(cairo_t* cr, const BitmapSpec& b, const SkinLayout& layout) const
{
    const double w = b.width, h = b.height;
    switch (b.look) {
    case Look::Background:
        paintBackground(cr, layout);
        break;
    case Look::Knob:
        for (int f = 0; f < kKnobFrames; ++f)
            knobFrame(cr, w, f * w + w / 2, static_cast<double>(f) / (kKnobFrames - 1));
        break;
    case Look::PowerButton:
        powerFrame(cr, w, h / 4, false);
        powerFrame(cr, w, 3 * h / 4, true);
        break;
    case Look::TextButton:
    case Look::ActionButton:
    case Look::PatternButton:
        paintButton(cr, b);
        break;
    case Look::Selector:
    case Look::PresetBar:
        for (int f = 0; f < 3; ++f)
            paintArrowPlate(cr, b, f, b.look == Look::PresetBar);
        break;
    case Look::UpDown:
        for (int f = 0; f < 3; ++f) {
            const double fh = h / 3, top = f * fh;
            roundedRect(cr, 0.5, top + 0.5, w - 1, fh - 1, 3);
            fillVertical(cr, top, top + fh, {0.22, 0.23, 0.26}, {0.15, 0.16, 0.18}, true);
            setColour(cr, palette::kBorder);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
            if (f > 0) {
                cairo_rectangle(cr, 1, top + (f == 1 ? 1 : fh / 2), w - 2, fh / 2 - 1);
                setColour(cr, palette::kAccent, 0.25);
                cairo_fill(cr);
            }
            cairo_move_to(cr, 3, top + fh / 2);
            cairo_line_to(cr, w - 3, top + fh / 2);
            setColour(cr, {0, 0, 0, 0.5});
            cairo_stroke(cr);
            arrow(cr, w / 2, top + fh / 4 + 0.5, 7, -2, f == 1 ? palette::kAccent : palette::kLabel);
            arrow(cr, w / 2, top + 3 * fh / 4, 7, 2, f == 2 ? palette::kAccent : palette::kLabel);
        }
        break;
    case Look::SliderHandle:
        roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 2.5);
        fillVertical(cr, 0, h, {0.78, 0.80, 0.83}, {0.42, 0.44, 0.48}, true);
        setColour(cr, {0.04, 0.04, 0.05});
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_rectangle(cr, 3, h / 2 - 1, w - 6, 2);
        setColour(cr, palette::kAccentDeep);
        cairo_fill(cr);
        break;
    case Look::MeterOn:
    case Look::MeterOff: {
        const int segments = 31;
        const double sh = h / segments;
        for (int i = 0; i < segments; ++i) {
            cairo_rectangle(cr, 0, i * sh, w, sh - 1);
            const Colour c = meterColour(i, segments);
            if (b.look == Look::MeterOn)
                setColour(cr, c);
            else
                setColour(cr, mix(palette::kInset, c, 0.16));
            cairo_fill(cr);
        }
        break;
    }
    case Look::StepBar:
    case Look::StepBarBeat: {
        const bool beat = b.look == Look::StepBarBeat;
        cairo_rectangle(cr, 0, 0, w, h);
        fillVertical(cr, 0, h, beat ? Colour{1.0, 0.80, 0.48} : Colour{1.0, 0.66, 0.32},
                     beat ? Colour{0.93, 0.47, 0.12} : palette::kAccentDeep);
        cairo_rectangle(cr, 0, 0, 1, h);
        setColour(cr, {1, 1, 1, 0.18});
        cairo_fill(cr);
        cairo_rectangle(cr, w - 1, 0, 1, h);
        setColour(cr, {0, 0, 0, 0.18});
        cairo_fill(cr);
        break;
    }
    case Look::TieBar:
        roundedRect(cr, 0, 1, w, h - 2, 2);
        fillVertical(cr, 1, h - 1, mix(palette::kTeal, {1, 1, 1}, 0.25), palette::kTeal);
        break;
    case Look::XYPad: {
        cairo_rectangle(cr, 0, 0, w, h);
        cairo_pattern_t* g = cairo_pattern_create_radial(w / 2, h / 2, 0, w / 2, h / 2, w * 0.75);
        cairo_pattern_add_color_stop_rgb(g, 0, 0.105, 0.12, 0.135);
        cairo_pattern_add_color_stop_rgb(g, 1, 0.05, 0.055, 0.065);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        cairo_set_line_width(cr, 1);
        for (int i = 1; i < 8; ++i) {
            const double p = std::floor(i * w / 8) + 0.5;
            setColour(cr, {1, 1, 1, i == 4 ? 0.10 : 0.045});
            cairo_move_to(cr, p, 0);
            cairo_line_to(cr, p, h);
            cairo_move_to(cr, 0, p);
            cairo_line_to(cr, w, p);
            cairo_stroke(cr);
        }
        cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
        setColour(cr, {0, 0, 0, 0.8});
        cairo_stroke(cr);
        break;
    }
    case Look::XYCursor:
        cairo_arc(cr, w / 2, h / 2, w / 2 - 0.8, 0, 2 * kPi);
        setColour(cr, palette::kInset);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 1.5);
        setColour(cr, palette::kTeal);
        cairo_stroke(cr);
        cairo_arc(cr, w / 2, h / 2, 1.5, 0, 2 * kPi);
        setColour(cr, palette::kTitle);
        cairo_fill(cr);
        break;
    case Look::Font:
    case Look::Blank:
        break;
    }
}

void SkinPainter::paintButton(cairo_t* cr, const BitmapSpec& b) const
{
    const double w = b.width, fh = b.height / 2.0;
    const bool action = b.look == Look::ActionButton;
    // Pattern and source buttons choose one of several (teal); the others switch something on.
    const bool choice = b.look == Look::PatternButton || b.name.rfind("ButtonSrc", 0) == 0;
    const Colour on = choice ? palette::kTeal : palette::kAccent;
    const double size = action ? 10.5 : fh < 17 ? 7.5 : 8.0;
    for (int state = 0; state < 2; ++state) {
        const double top = state * fh;
        roundedRect(cr, 0.5, top + 0.5, w - 1, fh - 1, action ? 4 : 2.5);
        if (state == 0)
            fillVertical(cr, top, top + fh, {0.215, 0.225, 0.255}, {0.155, 0.163, 0.185}, true);
        else
            fillVertical(cr, top, top + fh, mix(on, {1, 1, 1}, 0.15), mix(on, {0, 0, 0}, 0.22), true);
        cairo_set_line_width(cr, 1);
        setColour(cr, state == 0 ? (action ? palette::kAccent : Colour{0.05, 0.05, 0.06})
                                 : mix(on, {0, 0, 0}, 0.4));
        cairo_stroke(cr);
        if (state == 0) {
            // A light top edge gives the raised look.
            cairo_move_to(cr, 3, top + 1.5);
            cairo_line_to(cr, w - 3, top + 1.5);
            setColour(cr, {1, 1, 1, 0.07});
            cairo_stroke(cr);
        }
        const Colour ink =
            state == 0 ? (action ? palette::kAccent : palette::kLabel) : Colour{0.07, 0.07, 0.08};
        cairo_font_extents_t fe;
        useFont(cr, bold, size);
        cairo_font_extents(cr, &fe);
        const double baseline = std::round(top + fh / 2 + (fe.ascent - fe.descent) / 2 - 0.5);
        text(cr, b.caption, w / 2, baseline, size, ink, true, true, b.look == Look::PatternButton ? 0 : 0.6);
    }
}

void SkinPainter::paintArrowPlate(cairo_t* cr, const BitmapSpec& b, int frame, bool display) const
{
    const double w = b.width, fh = b.height / 3.0, top = frame * fh, aw = b.arrowWidth;
    roundedRect(cr, 0.5, top + 0.5, w - 1, fh - 1, 3);
    if (display)
        fillVertical(cr, top, top + fh, {0.04, 0.045, 0.05}, {0.075, 0.08, 0.09}, true);
    else
        fillVertical(cr, top, top + fh, {0.085, 0.09, 0.10}, {0.11, 0.115, 0.13}, true);
    setColour(cr, {0, 0, 0, 0.7});
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    for (int side = 0; side < 2; ++side) {
        const double x0 = side == 0 ? 1 : w - aw, x1 = side == 0 ? aw : w - 1;
        const bool held = frame == side + 1;
        cairo_rectangle(cr, x0, top + 1, x1 - x0, fh - 2);
        setColour(cr, held ? mix(palette::kPanel, palette::kAccent, 0.3) : Colour{0.19, 0.2, 0.225});
        cairo_fill(cr);
        const double edge = side == 0 ? aw + 0.5 : w - aw - 0.5;
        cairo_move_to(cr, edge, top + 1);
        cairo_line_to(cr, edge, top + fh - 1);
        setColour(cr, {0, 0, 0, 0.6});
        cairo_stroke(cr);
        arrow(cr, (x0 + x1) / 2, top + fh / 2, display ? 8 : 7, side == 0 ? -1 : 1,
              held ? palette::kAccent : palette::kLabel);
    }
}

// ---- background ---------------------------------------------------------------------------------

void SkinPainter::paintPanel(cairo_t* cr, const PanelSpec& p) const
{
    const double x = p.left, y = p.top, w = p.right - p.left, h = p.bottom - p.top;
    const double titleX = p.power.empty() ? x + 12 : x + 34;
    if (p.sub) {
        cairo_rectangle(cr, x + 1, y, w - 2, 1);
        setColour(cr, {0, 0, 0, 0.55});
        cairo_fill(cr);
        cairo_rectangle(cr, x + 1, y + 1, w - 2, 1);
        setColour(cr, {1, 1, 1, 0.05});
        cairo_fill(cr);
        text(cr, p.title, titleX, y + 17, 9.5, palette::kLabel, true, false, 1.4);
        return;
    }
    // Shadow, body, title bar, frame.
    roundedRect(cr, x + 1, y + 2, w, h, 7);
    setColour(cr, {0, 0, 0, 0.45});
    cairo_fill(cr);
    roundedRect(cr, x, y, w, h, 7);
    fillVertical(cr, y, y + h, palette::kPanelTop, palette::kPanel);
    cairo_save(cr);
    roundedRect(cr, x, y, w, h, 7);
    cairo_clip(cr);
    cairo_rectangle(cr, x, y, w, kTitleBarHeight);
    fillVertical(cr, y, y + kTitleBarHeight, {0.215, 0.225, 0.255}, {0.18, 0.19, 0.215});
    cairo_rectangle(cr, x, y + kTitleBarHeight, w, 1);
    setColour(cr, {0, 0, 0, 0.5});
    cairo_fill(cr);
    // The accent tick at the title's left marks the section.
    cairo_rectangle(cr, x, y + 6, 2, kTitleBarHeight - 12);
    setColour(cr, palette::kAccent);
    cairo_fill(cr);
    cairo_restore(cr);
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 7);
    setColour(cr, palette::kBorder);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    text(cr, p.title, titleX, y + 17, kTitleSize, palette::kTitle, true, false, 1.6);
}

void SkinPainter::paintPlate(cairo_t* cr, const ControlSpec& c, const SkinLayout& layout) const
{
    const Rect r = controlRect(c, layout);
    switch (c.plate) {
    case Plate::None:
        break;
    case Plate::MenuButton: {
        roundedRect(cr, r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1, 3);
        fillVertical(cr, r.top, r.bottom, {0.225, 0.235, 0.265}, {0.16, 0.17, 0.19}, true);
        setColour(cr, {0.05, 0.05, 0.06});
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        const double size = r.height() > 22 ? 9.5 : 8.0;
        const double width = textWidth(cr, c.plateText, size, true, 1.0);
        const double x = r.left + (r.width() - width - 12) / 2;
        text(cr, c.plateText, x, r.top + r.height() / 2.0 + size * 0.36, size, palette::kTitle, true, false,
             1.0);
        arrow(cr, x + width + 8, r.top + r.height() / 2.0 + 0.5, 6, 2, palette::kAccent);
        break;
    }
    case Plate::StepGrid:
    case Plate::TieGrid: {
        const bool grid = c.plate == Plate::StepGrid;
        well(cr, r.left - 4, r.top - 4, r.width() + 5, r.height() + 8);
        const int sw = r.width() / kStepCount;
        for (int s = 0; s < kStepCount; ++s) {
            cairo_rectangle(cr, r.left + s * sw, r.top, sw - 3, r.height());
            setColour(cr, {1, 1, 1, s % 4 == 0 ? 0.05 : 0.03});
            cairo_fill(cr);
        }
        if (grid) {
            cairo_set_line_width(cr, 1);
            for (int q = 1; q < 4; ++q) {
                const double y = std::floor(r.top + r.height() * q / 4.0) + 0.5;
                cairo_move_to(cr, r.left, y);
                cairo_line_to(cr, r.right - 3, y);
                setColour(cr, {1, 1, 1, q == 2 ? 0.07 : 0.035});
                cairo_stroke(cr);
            }
        }
        break;
    }
    case Plate::SliderTrack: {
        const double cx = c.x1;
        well(cr, cx - 3, c.y1 - 2, 6, c.y2 - c.y1 + 4, 3);
        cairo_set_line_width(cr, 1);
        for (int t = 0; t <= 10; ++t) {
            const double y = std::floor(c.y1 + (c.y2 - c.y1) * t / 10.0) + 0.5;
            const double len = t % 5 == 0 ? 6 : 3;
            cairo_move_to(cr, r.left - 2, y);
            cairo_line_to(cr, r.left - 2 + len, y);
            cairo_move_to(cr, r.right + 2 - len, y);
            cairo_line_to(cr, r.right + 2, y);
            setColour(cr, palette::kDim);
            cairo_stroke(cr);
        }
        break;
    }
    case Plate::MeterFrame:
        well(cr, r.left - 2, r.top - 2, r.width() + 4, r.height() + 4, 2);
        break;
    case Plate::PresetBar: {
        const BitmapSpec* bar = findBitmap(layout, c.bitmap);
        if (!bar) break;
        cairo_save(cr);
        cairo_translate(cr, r.left, r.top);
        paintArrowPlate(cr, *bar, 0, true);
        cairo_restore(cr);
        break;
    }
    }
}

void SkinPainter::paintBackground(cairo_t* cr, const SkinLayout& layout) const
{
    cairo_rectangle(cr, 0, 0, kSkinWidth, kSkinHeight);
    fillVertical(cr, 0, kSkinHeight, {0.095, 0.1, 0.113}, palette::kWindow);

    // Header: the product's name (a link to the maker's site), the program bar and the maker.
    cairo_rectangle(cr, 0, 0, kSkinWidth, 54);
    fillVertical(cr, 0, 54, {0.14, 0.148, 0.167}, palette::kHeader);
    cairo_rectangle(cr, 0, 54, kSkinWidth, 1);
    setColour(cr, {0, 0, 0, 0.7});
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 55, kSkinWidth, 1);
    setColour(cr, {1, 1, 1, 0.04});
    cairo_fill(cr);
    cairo_rectangle(cr, 22, 14, 4, 20);
    setColour(cr, palette::kAccent);
    cairo_fill(cr);
    text(cr, "ORVANE", 33, 33, 23, palette::kTitle, true, false, 3.0);
    text(cr, "RHYTHMIC MULTI-EFFECT", 23, 47, 7.5, palette::kLabel, true, false, 1.3);
    text(cr, "PROGRAM", 320 - textWidth(cr, "PROGRAM", kSmallCaptionSize, true, 1.0), 30, kSmallCaptionSize,
         palette::kLabel, true, false, 1.0);
    text(cr, "TIRSK AUDIO", 988 - textWidth(cr, "TIRSK AUDIO", 9, true, 2.0), 31, 9, palette::kDim, true,
         false, 2.0);

    for (const PanelSpec& p : layout.panels)
        if (!p.sub) paintPanel(cr, p);
    for (const PanelSpec& p : layout.panels)
        if (p.sub) paintPanel(cr, p);
    for (const ControlSpec& c : layout.controls) {
        paintPlate(cr, c, layout);
        if (c.caption.empty()) continue;
        // A caption of two lines is broken at its newline.
        const Rect r = controlRect(c, layout);
        const std::size_t br = c.caption.find('\n');
        const bool twoLines = br != std::string::npos;
        const double size = twoLines ? kSmallCaptionSize : kCaptionSize;
        text(cr, c.caption.substr(0, br), c.x1, r.bottom + 12, size, palette::kLabel, true, true, 0.6);
        if (twoLines)
            text(cr, c.caption.substr(br + 1), c.x1, r.bottom + 22, size, palette::kLabel, true, true, 0.6);
    }
    for (const CaptionSpec& t : layout.captions) {
        const double width = textWidth(cr, t.text, kSmallCaptionSize, true, 0.6);
        const double x = t.align == Align::Left    ? t.x
                         : t.align == Align::Right ? t.x - width
                                                   : t.x - width / 2;
        text(cr, t.text, x, t.y, kSmallCaptionSize, t.note ? palette::kDim : palette::kLabel, true, false,
             0.6);
    }
}

// ---- glyph strips -------------------------------------------------------------------------------

GlyphMetrics SkinPainter::measureGlyphs(const FontSpec& font, const std::string& glyphs) const
{
    GlyphMetrics m;
    cairo_surface_t* probe = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(probe);
    useFont(cr, font.file.find("Bold") != std::string::npos ? bold : regular, font.size);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    m.baseline = static_cast<int>(std::ceil(fe.ascent));
    m.height = m.baseline + static_cast<int>(std::ceil(fe.descent));
    for (char c : glyphs) {
        const char one[2] = {c, 0};
        cairo_text_extents_t e;
        cairo_text_extents(cr, one, &e);
        m.widths.push_back(std::max(1, static_cast<int>(std::lround(e.x_advance))));
    }
    cairo_destroy(cr);
    cairo_surface_destroy(probe);
    return m;
}

void SkinPainter::paintGlyphs(cairo_t* cr, const FontSpec& font, const std::string& glyphs,
                              const GlyphMetrics& m) const
{
    useFont(cr, font.file.find("Bold") != std::string::npos ? bold : regular, font.size);
    setColour(cr, font.colour);
    int x = 0;
    for (std::size_t g = 0; g < glyphs.size(); ++g) {
        const char one[2] = {glyphs[g], 0};
        // Each glyph stays inside its own cell, so that no neighbour shows a sliver of it.
        cairo_save(cr);
        cairo_rectangle(cr, x, 0, m.widths[g], m.height);
        cairo_clip(cr);
        cairo_move_to(cr, x, m.baseline);
        cairo_show_text(cr, one);
        cairo_restore(cr);
        x += m.widths[g];
    }
}

} // namespace skingen
