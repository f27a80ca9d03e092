// orvane-skingen: draws the built-in skin with cairo and writes it into a folder: the PNG
// bitmaps and the description file "SkinParameters.txt" that places one control per line.
// The layout below is the one place that says which parameter gets which control where; the
// parameter names come from the parameter table.
//
//   orvane-skingen FOLDER
#include "engine/ParameterTable.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

constexpr int kWidth = 900;
constexpr int kHeight = 600;
constexpr int kKnobSize = 40;
constexpr int kKnobFrames = 60;
constexpr int kFontHeight = 14;
constexpr const char* kGlyphs = " 0123456789.,-+%:/()ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};
constexpr Rgb kPanel{0.13, 0.14, 0.16};
constexpr Rgb kPanelLight{0.19, 0.20, 0.23};
constexpr Rgb kAccent{0.95, 0.62, 0.18};
constexpr Rgb kText{0.86, 0.87, 0.90};
constexpr Rgb kDim{0.35, 0.36, 0.40};

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

// A surface, drawn by draw(cr), written as FOLDER/NAME.png.
template <class Draw>
bool writeBitmap(const std::filesystem::path& folder, const char* name, int w, int h, Draw draw)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    draw(cr);
    cairo_destroy(cr);
    const std::string path = (folder / (std::string(name) + ".png")).string();
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

// Centred text at size, made smaller where needed so that it is at most maxWidth wide.
void label(cairo_t* cr, const char* text, double x, double y, double size, Rgb colour,
           double maxWidth = 1e9)
{
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text, &e);
    if (e.width > maxWidth) {
        cairo_set_font_size(cr, size * maxWidth / e.width);
        cairo_text_extents(cr, text, &e);
    }
    setColour(cr, colour);
    cairo_move_to(cr, x - e.width / 2 - e.x_bearing, y);
    cairo_show_text(cr, text);
}

// One control of the layout: a parameter, its kind and bitmap, the page, and x1, y1, x2, y2.
struct Placement {
    std::string parameter, kind, bitmap, page;
    int x1, y1, x2, y2;
};

std::vector<Placement> layout()
{
    std::vector<Placement> out;
    // Parameters 0..50 in rows of ten: switches as buttons, lists as selectors, the rest knobs.
    for (int i = 0; i <= 50; ++i) {
        const ParameterInfo& p = parameterInfo(i);
        const int x = 60 + (i % 10) * 82;
        const int y = 70 + (i / 10) * 75;
        const std::string name = p.name;
        if (name == "MasterVolume")
            out.push_back({name, "VSlider", "SliderHandle", "Main", 850, 440, 850, 560});
        else if (p.kind == 0 && p.maximum == 1.0f)
            out.push_back({name, "OnButton", "Switch", "Main", x, y, 0, 0});
        else if (p.kind == 0)
            out.push_back({name, "Selector", "Selector", "Main", x, y, 0, 0});
        else
            out.push_back({name, "Knob", "Knob", "Main", x, y, 0, 0});
    }
    // Pattern 1's first four steps on the sequencer page (frame pixels, as every line).
    for (int s = 0; s < 4; ++s) {
        out.push_back(
            {parameterInfo(stepVolumeIndex(0, s)).name, "Knob", "Knob", "Seq", 80 + 60 * s, 520, 0, 0});
        out.push_back(
            {parameterInfo(stepTieIndex(0, s)).name, "OnButton", "Switch", "Seq", 80 + 60 * s, 565, 0, 0});
    }
    out.push_back({"Randomize", "KickButton", "Kick", "Main", 420, 520, 0, 0});
    out.push_back({"ParamDisplay", "TextDisplay", "Display", "Main", 500, 500, 700, 524});
    out.push_back({"MorphSquare", "MorphSquare", "Display", "Main", 500, 530, 700, 554});
    out.push_back({"LevelMeterL", "VuMeter", "LevelMeterOn", "Main", 730, 440, 742, 564});
    out.push_back({"LevelMeterR", "VuMeter", "LevelMeterOn", "Main", 750, 440, 762, 564});
    out.push_back({"Unused", "PresetSelector", "Display", "Main", 500, 560, 700, 584});
    out.push_back({"GlobalMenu", "PresetMenu", "Display", "Main", 500, 20, 700, 44});
    out.push_back({"UpDownPreset", "UpDownPreset", "Selector", "Main", 830, 24, 0, 0});
    out.push_back({"InfoLink", "WebLink", "Link", "Main", 20, 20, 140, 40});
    out.push_back({"Dummy", "None", "Display", "Main", 0, 0, 0, 0});
    return out;
}

void drawBackground(cairo_t* cr, const std::vector<Placement>& places)
{
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, kHeight);
    cairo_pattern_add_color_stop_rgb(gradient, 0, kPanelLight.r, kPanelLight.g, kPanelLight.b);
    cairo_pattern_add_color_stop_rgb(gradient, 1, kPanel.r, kPanel.g, kPanel.b);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);
    label(cr, "ORVANE", kWidth / 2.0, 40, 22, kAccent);
    // Each control's name under it, so that a snapshot can be read.
    for (const Placement& p : places) {
        if (p.page != "Main" || p.kind == "None" || p.x2 != 0) continue;
        label(cr, p.parameter.c_str(), p.x1, p.y1 + 34, 9, kText, 72);
    }
    setColour(cr, kDim);
    cairo_rectangle(cr, 39.5, 489.5, 322, 102);
    cairo_stroke(cr);
}

void drawKnobStrip(cairo_t* cr)
{
    for (int f = 0; f < kKnobFrames; ++f) {
        const double cx = kKnobSize / 2.0, cy = f * kKnobSize + kKnobSize / 2.0, r = 15;
        const double start = 0.75 * kPi, sweep = 1.5 * kPi * f / (kKnobFrames - 1);
        setColour(cr, kPanelLight);
        cairo_arc(cr, cx, cy, r - 3, 0, 2 * kPi);
        cairo_fill(cr);
        cairo_set_line_width(cr, 3);
        setColour(cr, kDim);
        cairo_arc(cr, cx, cy, r, start, start + 1.5 * kPi);
        cairo_stroke(cr);
        setColour(cr, kAccent);
        cairo_arc(cr, cx, cy, r, start, start + sweep);
        cairo_stroke(cr);
        setColour(cr, kText);
        cairo_set_line_width(cr, 2);
        cairo_move_to(cr, cx, cy);
        cairo_line_to(cr, cx + (r - 4) * std::cos(start + sweep), cy + (r - 4) * std::sin(start + sweep));
        cairo_stroke(cr);
    }
}

// Two states stacked: off (or normal) on top, on (or pressed) below.
void drawTwoStates(cairo_t* cr, int w, int h)
{
    for (int state = 0; state < 2; ++state) {
        setColour(cr, kPanelLight);
        cairo_rectangle(cr, 1, state * h / 2 + 1, w - 2, h / 2 - 2);
        cairo_fill(cr);
        setColour(cr, state ? kAccent : kDim);
        cairo_rectangle(cr, 5, state * h / 2 + 5, w - 10, h / 2 - 10);
        cairo_fill(cr);
    }
}

// The glyph strip of the display font; returns the measured width of each glyph.
std::vector<int> drawFont(const std::filesystem::path& folder)
{
    cairo_surface_t* probe = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(probe);
    cairo_select_font_face(cr, "monospace", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    std::vector<int> widths;
    int total = 0;
    for (const char* c = kGlyphs; *c; ++c) {
        const char text[2] = {*c, 0};
        cairo_text_extents_t e;
        cairo_text_extents(cr, text, &e);
        widths.push_back(std::max(1, static_cast<int>(std::lround(e.x_advance))));
        total += widths.back();
    }
    cairo_destroy(cr);
    cairo_surface_destroy(probe);
    writeBitmap(folder, "FontDisplay", total, kFontHeight, [&](cairo_t* c) {
        cairo_select_font_face(c, "monospace", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(c, 12);
        setColour(c, kText);
        int x = 0;
        for (std::size_t g = 0; kGlyphs[g]; ++g) {
            const char text[2] = {kGlyphs[g], 0};
            cairo_move_to(c, x, 11);
            cairo_show_text(c, text);
            x += widths[g];
        }
    });
    return widths;
}

bool writeDescription(const std::filesystem::path& folder, const std::vector<Placement>& places,
                      const std::vector<int>& fontWidths)
{
    std::ofstream out(folder / "SkinParameters.txt", std::ios::binary);
    out << "The built-in skin: bitmaps, fonts, skin parameters, pages and controls.\n\n"
        << "BITMAPS\nBackground Knob Switch Kick Selector SliderHandle Display Link LevelMeterOn "
           "LevelMeterOff "
           "SeqPage FontDisplay\n--------\n\n";
    out << "FONTS\nFontDisplay " << fontWidths.size() << " " << kGlyphs;
    for (int w : fontWidths)
        out << " " << w;
    out << "\n--------\n\n";
    out << "PARAMETERS\nDisplayTextColor 14474460\nDisplayFontSize 12\nSelectorArrowWidth 24\n--------\n\n";
    out << "PAGES\nSeq at SeqPage from 40 490 360 590\n--------\n\n";
    out << "CONTROLS\n";
    for (const Placement& p : places)
        out << p.parameter << " " << p.kind << " " << p.bitmap << " " << p.page << " " << p.x1 << " " << p.y1
            << " " << p.x2 << " " << p.y2 << "\n";
    out << "--------\n";
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvane-skingen FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::vector<Placement> places = layout();
    bool ok =
        writeBitmap(folder, "Background", kWidth, kHeight, [&](cairo_t* cr) { drawBackground(cr, places); });
    ok = ok && writeBitmap(folder, "Knob", kKnobSize, kKnobSize * kKnobFrames, drawKnobStrip);
    ok = ok && writeBitmap(folder, "Switch", 30, 40, [](cairo_t* cr) { drawTwoStates(cr, 30, 40); });
    ok = ok && writeBitmap(folder, "Kick", 60, 48, [](cairo_t* cr) { drawTwoStates(cr, 60, 48); });
    ok = ok && writeBitmap(folder, "Selector", 80, 72, [](cairo_t* cr) { drawTwoStates(cr, 80, 72); });
    ok = ok && writeBitmap(folder, "SliderHandle", 24, 14, [](cairo_t* cr) {
             setColour(cr, kAccent);
             cairo_rectangle(cr, 0, 0, 24, 14);
             cairo_fill(cr);
         });
    const auto plate = [](Rgb colour) {
        return [colour](cairo_t* cr) {
            setColour(cr, colour);
            cairo_paint(cr);
        };
    };
    ok = ok && writeBitmap(folder, "Display", 200, 24, plate(kPanel));
    ok = ok && writeBitmap(folder, "Link", 120, 20, plate(kPanelLight));
    ok = ok && writeBitmap(folder, "LevelMeterOn", 12, 124, plate(kAccent));
    ok = ok && writeBitmap(folder, "LevelMeterOff", 12, 124, plate(kDim));
    ok = ok && writeBitmap(folder, "SeqPage", 320, 100, plate(kPanelLight));
    ok = ok && writeDescription(folder, places, drawFont(folder));
    if (!ok) {
        std::fprintf(stderr, "orvane-skingen: cannot write the skin into '%s'\n", argv[1]);
        return 1;
    }
    return 0;
}
