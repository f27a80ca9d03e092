// Shared pieces of the toolkit tests: generated bitmaps, a headless frame, recording listeners.
#pragma once

#include "platform/gui/CControl.h"
#include "platform/gui/CFrame.h"
#include "platform/gui/HeadlessBackend.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace guitest
{

inline gui::RgbaImage makeImage(int width, int height, const std::function<CColor(int x, int y)>& color)
{
    gui::RgbaImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const CColor c = color(x, y);
            uint8_t* p = image.pixels.data() + (size_t(y) * size_t(width) + size_t(x)) * 4;
            p[0] = c.red, p[1] = c.green, p[2] = c.blue, p[3] = c.alpha;
        }
    return image;
}

// A frame open in a headless parent, with a grey background.
struct HeadlessFrame {
    gui::HeadlessBackend backend;
    gui::HeadlessParent parent;
    std::unique_ptr<CFrame> frame;

    explicit HeadlessFrame(int width = 200, int height = 120)
        : frame(std::make_unique<CFrame>(CRect(0, 0, width, height), &parent, backend))
    {
        frame->setBackgroundColor(kGrey);
    }
    CColor at(int x, int y) const { return parent.pixel(x, y); }

    static constexpr CColor kGrey{90, 90, 90, 255};
};

// Records what a control tells its listener, as text: "begin", "change 0.5", "end".
struct RecordingListener : CControlListener {
    std::vector<std::string> events;
    std::vector<float> values;

    void valueChanged(CControl* control) override
    {
        values.push_back(control->getValue());
        events.push_back("change");
    }
    void controlBeginEdit(CControl*) override { events.push_back("begin"); }
    void controlEndEdit(CControl*) override { events.push_back("end"); }
};

} // namespace guitest
