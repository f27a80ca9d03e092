// PNG loading and writing, and bitmaps reaching the frame's pixels exactly.
#include "GuiTestSupport.h"

#include "platform/gui/CBitmap.h"
#include "platform/gui/PngImage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

using namespace guitest;

namespace
{

std::filesystem::path tempDir()
{
    auto dir = std::filesystem::temp_directory_path() /
               ("orvane-gui-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir);
    return dir;
}

std::vector<uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CColor patternColor(int x, int y)
{
    return {uint8_t(x * 23 + 7), uint8_t(y * 41 + 3), uint8_t((x * y * 13) & 255), 255};
}

// A valid PNG file's bytes with the header's width and height replaced (and its checksum fixed).
std::vector<uint8_t> withDeclaredSize(std::vector<uint8_t> png, uint32_t width, uint32_t height)
{
    auto put = [&](size_t at, uint32_t v) {
        png[at] = uint8_t(v >> 24);
        png[at + 1] = uint8_t(v >> 16);
        png[at + 2] = uint8_t(v >> 8);
        png[at + 3] = uint8_t(v);
    };
    // Signature (8), IHDR length (4), "IHDR" (4), width at 16, height at 20, CRC at 29.
    put(16, width);
    put(20, height);
    put(29, uint32_t(crc32(0, png.data() + 12, 17)));
    return png;
}

} // namespace

TEST(PngImage, HostileFilesAreRefusedAndLeaveTheImageAlone)
{
    const auto dir = tempDir();
    ASSERT_TRUE(gui::writePng((dir / "good.png").string(), makeImage(40, 30, patternColor)));
    const std::vector<uint8_t> good = readBytes(dir / "good.png");
    ASSERT_GT(good.size(), 100u);

    std::vector<uint8_t> corrupt = good;
    for (size_t i = 45; i < corrupt.size() - 20; i += 3)
        corrupt[i] ^= 0x5a;

    const std::pair<const char*, std::vector<uint8_t>> cases[] = {
        {"empty", {}},
        {"data cut in half", std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2))},
        {"corrupt data", corrupt},
        {"width above the limit", withDeclaredSize(good, 16385, 30)},
        {"the largest size in a small file", withDeclaredSize(good, 16384, 16384)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        gui::RgbaImage image = makeImage(2, 2, patternColor);
        const gui::RgbaImage before = image;
        EXPECT_FALSE(gui::decodePng(bytes.data(), bytes.size(), image));
        EXPECT_EQ(image.width, before.width);
        EXPECT_EQ(image.pixels, before.pixels);
    }
    EXPECT_FALSE(CBitmapEx((dir / "missing.png").string()).isLoaded());
    EXPECT_FALSE(CBitmapEx(dir.string()).isLoaded()); // a folder, not a file
    EXPECT_TRUE(CBitmap(gui::kMaxImageSide + 1, 1).isEmpty());
}

TEST(PngImage, WrittenImagesReadBackExactlyUpToTheSideLimit)
{
    const auto path = tempDir() / "wide.png";
    gui::RgbaImage image = makeImage(7, 5, [](int x, int y) {
        CColor c = patternColor(x, y);
        c.alpha = uint8_t(x * 40);
        return c;
    });
    ASSERT_TRUE(gui::writePng(path.string(), image));
    gui::RgbaImage back;
    ASSERT_TRUE(gui::readPngFile(path.string(), back));
    EXPECT_EQ(back.width, 7);
    EXPECT_EQ(back.height, 5);
    EXPECT_EQ(back.pixels, image.pixels);

    ASSERT_TRUE(gui::writePng(path.string(), makeImage(gui::kMaxImageSide, 1, patternColor)));
    CBitmapEx bitmap(path.string());
    ASSERT_TRUE(bitmap.isLoaded());
    EXPECT_EQ(bitmap.getWidth(), gui::kMaxImageSide);
    EXPECT_EQ(bitmap.getPixel(gui::kMaxImageSide - 1, 0), patternColor(gui::kMaxImageSide - 1, 0));
}

namespace
{

// Draws a part of a bitmap from a source offset into its rectangle.
struct BitmapPartView : CView {
    const CBitmap& bitmap;
    CPoint offset;
    BitmapPartView(const CRect& r, const CBitmap& b, CPoint o) : CView(r), bitmap(b), offset(o) {}
    void draw(CDrawContext& context) override { context.drawBitmap(bitmap, size, offset); }
};

} // namespace

TEST(CDrawContext, TranslucentBitmapsBlend)
{
    HeadlessFrame h(40, 20);
    CBitmap red(makeImage(10, 10, [](int, int) { return CColor{255, 0, 0, 128}; }));
    h.frame->addView(new BitmapPartView(CRect(0, 0, 10, 10), red, {}));
    h.frame->redrawDirty();
    const CColor mixed = h.at(5, 5);
    EXPECT_NEAR(mixed.red, (255 + 90) / 2, 2);
    EXPECT_NEAR(mixed.green, 90 / 2, 2);
    EXPECT_EQ(mixed.alpha, 255);
}

TEST(CDrawContext, RectanglesOriginAndClipLandOnWholePixels)
{
    CBitmap target(20, 20);
    CDrawContext context(target.getSurface());
    const CColor white{255, 255, 255, 255};
    const CColor red{255, 0, 0, 255};
    context.setFillColor(white);
    context.fillRect(CRect(0, 0, 20, 20));

    context.setOrigin({5, 5});
    context.setClipRect(CRect(0, 0, 10, 10)); // surface pixels 5..14
    context.setFrameColor(red);
    context.frameRect(CRect(-2, 0, 4, 4)); // its left edge lies outside the clip
    context.setFillColor(red);
    context.fillRect(CRect(8, 8, 30, 30)); // clipped to 13..14
    context.resetClipRect();
    cairo_surface_flush(target.getSurface());

    const std::tuple<int, int, CColor> cases[] = {
        {5, 5, red},   {8, 8, red},   {6, 6, white},   {9, 5, white},
        {4, 5, white}, {13, 13, red}, {15, 15, white}, {12, 13, white},
    };
    for (const auto& [x, y, expected] : cases)
        EXPECT_EQ(target.getPixel(x, y), expected) << x << "," << y;
}
