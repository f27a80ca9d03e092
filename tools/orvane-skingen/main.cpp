// orvane-skingen: draws the built-in skin with cairo and writes it into a folder: the PNG bitmaps,
// the glyph strips of its bitmap fonts (rendered from the DejaVu faces, with measured widths) and
// the description file "SkinParameters.txt". Pictures and description both come from the one
// layout in SkinLayout.cpp.
//
//   orvane-skingen FOLDER [--fonts FONT_FOLDER]
//
// Exit status: 0 when the skin was written, 1 when a font or a file failed, 2 for a faulty
// command line.
#include "SkinLayout.h"
#include "SkinPainter.h"

#include <CLI/CLI.hpp>
#include <cairo.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

using namespace skingen;
namespace fs = std::filesystem;

// Every printable ASCII character, in code order.
std::string glyphCharacters()
{
    std::string glyphs;
    for (char c = ' '; c <= '~'; ++c)
        glyphs += c;
    return glyphs;
}

template <class Draw> bool writePng(const fs::path& folder, const std::string& name, int w, int h, Draw draw)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const std::string path = (folder / (name + ".png")).string();
    const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
                    cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

struct WrittenFont {
    const FontSpec* spec;
    GlyphMetrics metrics;
};

bool writeDescription(const fs::path& folder, const SkinLayout& layout, const std::vector<WrittenFont>& fonts,
                      const std::string& glyphs)
{
    // Free text may stand before each section's header, as long as it names no header.
    std::ofstream out(folder / "SkinParameters.txt", std::ios::binary);
    out << "The built-in skin of Orvane, drawn by orvane-skingen: do not edit, it is written anew\n"
           "at every build.\n\nBITMAPS\n";
    for (const BitmapSpec& b : layout.bitmaps)
        out << b.name << "\n";
    for (const WrittenFont& f : fonts)
        out << f.spec->name << "\n";
    out << "--------\n\nFONTS\n";
    for (const WrittenFont& f : fonts) {
        out << f.spec->name << " " << glyphs.size() << " " << glyphs;
        for (int w : f.metrics.widths)
            out << " " << w;
        out << "\n";
    }
    out << "--------\n\nPARAMETERS\n";
    for (const SkinValue& v : layout.values)
        out << v.name << " " << v.value << "\n";
    out << "--------\n\nPAGES\n--------\n\nCONTROLS\n";
    for (const ControlSpec& c : layout.controls)
        out << c.parameter << " " << c.kind << " " << c.bitmap << " Main " << c.x1 << " " << c.y1 << " "
            << c.x2 << " " << c.y2 << "\n";
    out << "--------\n";
    return static_cast<bool>(out);
}

int run(int argc, char** argv)
{
    std::string folderText, fontFolder = "/usr/share/fonts/truetype/dejavu";
    CLI::App app{"Draws Orvane's built-in skin into a folder.", "orvane-skingen"};
    app.add_option("folder", folderText, "folder that receives the PNG files and SkinParameters.txt")
        ->required();
    app.add_option("--fonts", fontFolder, "folder holding DejaVuSans.ttf and DejaVuSans-Bold.ttf");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }

    const fs::path folder = folderText;
    std::error_code error;
    fs::create_directories(folder, error);
    const SkinPainter painter(fontFolder);
    if (!painter.ok()) {
        std::fprintf(stderr, "orvane-skingen: cannot load the DejaVu fonts from '%s'\n", fontFolder.c_str());
        return 1;
    }
    const SkinLayout layout = skinLayout();
    bool ok = true;
    for (const BitmapSpec& b : layout.bitmaps)
        ok = ok &&
             writePng(folder, b.name, b.width, b.height, [&](cairo_t* cr) { painter.paint(cr, b, layout); });

    const std::string glyphs = glyphCharacters();
    std::vector<WrittenFont> fonts;
    for (const FontSpec& f : layout.fonts) {
        WrittenFont written{&f, painter.measureGlyphs(f, glyphs)};
        int width = 0;
        for (int w : written.metrics.widths)
            width += w;
        ok = ok && writePng(folder, f.name, width, written.metrics.height,
                            [&](cairo_t* cr) { painter.paintGlyphs(cr, f, glyphs, written.metrics); });
        fonts.push_back(std::move(written));
    }
    ok = ok && writeDescription(folder, layout, fonts, glyphs);
    if (!ok) {
        std::fprintf(stderr, "orvane-skingen: cannot write the skin into '%s'\n", folderText.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return run(argc, argv);
}
