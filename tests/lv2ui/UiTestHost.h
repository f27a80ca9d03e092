// UiTestHost: a small host of the plug-in's user interface. The plug-in runs in an Lv2TestHost;
// the user interface module the bundle's metadata names is loaded through its LV2UI_Descriptor and
// given a parent X window, instance-access, ui:resize, ui:touch (each can be left out),
// ui:idleInterface and urid:map. Every write_function and touch call is recorded, and a write sets
// the plug-in's control port as a host would. The editor window's pixels are read back for
// comparison with the headless editor tool's snapshots.
#pragma once

// GoogleTest before Xlib, whose macros (None, Bool) clash with it.
#include <gtest/gtest.h>

#include "../lv2/Lv2TestHost.h"
#include "editor/SkinDescription.h"
#include "platform/gui/PngImage.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace uitest
{

struct HostCall {
    enum class Kind { write, touchBegin, touchEnd };
    Kind kind;
    uint32_t port;
    float value;
};

// Windows of other programs (jalv's) come and go while the tests look at them: their X errors are
// not the tests' faults.
inline Display* openDisplay()
{
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    Display* d = nullptr;
    for (int attempt = 0; attempt < 5 && !d; ++attempt)
        d = XOpenDisplay(nullptr);
    return d;
}

inline void waitABit()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

constexpr int maxPolls = 2000;

// The user interface module the metadata names, and its descriptor.
struct UiModule {
    std::string binaryPath;
    const LV2UI_Descriptor* descriptor = nullptr;

    static const UiModule& get()
    {
        static const UiModule module = [] {
            UiModule m;
            LilvUIs* uis = lilv_plugin_get_uis(Lv2TestHost::plugin());
            LILV_FOREACH(uis, i, uis)
            {
                const LilvNode* binary = lilv_ui_get_binary_uri(lilv_uis_get(uis, i));
                char* path = lilv_file_uri_parse(lilv_node_as_uri(binary), nullptr);
                m.binaryPath = path ? path : "";
                lilv_free(path);
            }
            lilv_uis_free(uis);
            void* library =
                m.binaryPath.empty() ? nullptr : dlopen(m.binaryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
            auto entry = library
                             ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"))
                             : nullptr;
            m.descriptor = entry ? entry(0) : nullptr;
            return m;
        }();
        return module;
    }
};

// Features a host may leave out, for UiTestHost::open.
enum Without : unsigned { none = 0, noParent = 1, noAccess = 2, noResize = 4, noTouch = 8 };

class UiTestHost
{
  public:
    UiTestHost(Display* d, Lv2TestHost& p, int x = 0, int y = 0) : display(d), plugin(&p)
    {
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, 1000, 700, 0, 0,
                                     BlackPixel(display, DefaultScreen(display)));
        XMapWindow(display, parent);
        XSync(display, False);
    }
    ~UiTestHost()
    {
        close();
        XDestroyWindow(display, parent);
        XSync(display, False);
    }

    // Instantiates the user interface, then hands it every control port's value as hosts do.
    bool open(unsigned without = none)
    {
        const LV2UI_Descriptor* d = UiModule::get().descriptor;
        if (!d || ui) return false;
        parentF.data = reinterpret_cast<void*>(static_cast<uintptr_t>(parent));
        accessF.data = plugin->handle();
        std::vector<const LV2_Feature*> list;
        const LV2_Feature* optional[] = {&parentF, &accessF, &resizeF, &touchF}; // in the order of Without
        for (unsigned i = 0; i < 4; ++i)
            if (!(without & (1u << i))) list.push_back(optional[i]);
        list.insert(list.end(), {&idleF, plugin->uridMap(), nullptr});
        LV2UI_Widget w = nullptr;
        ui = d->instantiate(d, "urn:tirsk-audio:orvane", UiModule::get().binaryPath.c_str(), writeFunction,
                            this, &w, list.data());
        if (!ui) return false;
        widget = static_cast<Window>(reinterpret_cast<uintptr_t>(w));
        idleInterface = static_cast<const LV2UI_Idle_Interface*>(d->extension_data(LV2_UI__idleInterface));
        for (uint32_t port = 0; port < OrvaneLv2Ports::controlCount; ++port)
            portEvent(port, plugin->controls[port]);
        return true;
    }
    void close()
    {
        if (ui) UiModule::get().descriptor->cleanup(ui);
        ui = nullptr;
    }
    int idle() { return idleInterface->idle(ui); }
    void portEvent(uint32_t port, float value, uint32_t size = sizeof(float), uint32_t format = 0)
    {
        UiModule::get().descriptor->port_event(ui, port, size, format, &value);
    }
    void idleFor(int count)
    {
        for (int i = 0; i < count; ++i) {
            XSync(display, False);
            idle();
        }
    }

    // Presses at (x, y) of the editor, moves by (dx, dy) in steps, releases; idles between.
    void drag(int x, int y, int dx, int dy, int steps = 4)
    {
        int rx, ry;
        Window child;
        XTranslateCoordinates(display, widget, DefaultRootWindow(display), x, y, &rx, &ry, &child);
        XTestFakeMotionEvent(display, -1, rx, ry, 0);
        XTestFakeButtonEvent(display, Button1, True, 0);
        idleFor(3);
        for (int s = 1; s <= steps; ++s) {
            XTestFakeMotionEvent(display, -1, rx + dx * s / steps, ry + dy * s / steps, 0);
            idleFor(3);
        }
        XTestFakeButtonEvent(display, Button1, False, 0);
        idleFor(3);
    }

    // The editor window's pixels as RGBA.
    gui::RgbaImage pixels()
    {
        XSync(display, False);
        XWindowAttributes a;
        XGetWindowAttributes(display, widget, &a);
        return readWindow(display, widget, a.width, a.height);
    }

    static gui::RgbaImage readWindow(Display* d, Window window, int w, int h)
    {
        XImage* image = XGetImage(d, window, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                  AllPlanes, ZPixmap);
        gui::RgbaImage out;
        if (!image) return out;
        out.width = w;
        out.height = h;
        auto channel = [](unsigned long pixel, unsigned long mask) {
            const int shift = __builtin_ctzl(mask);
            return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / (mask >> shift));
        };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                const uint8_t px[4] = {channel(p, image->red_mask), channel(p, image->green_mask),
                                       channel(p, image->blue_mask), 255};
                out.pixels.insert(out.pixels.end(), px, px + 4);
            }
        XDestroyImage(image);
        return out;
    }

    std::vector<HostCall> calls;
    Window parent = 0, widget = 0;
    int resizedWidth = 0, resizedHeight = 0;

  private:
    static void writeFunction(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format,
                              const void* buffer)
    {
        auto* host = static_cast<UiTestHost*>(c);
        float value = 0.0f;
        if (size != sizeof value || format != 0) return;
        std::memcpy(&value, buffer, sizeof value);
        host->calls.push_back({HostCall::Kind::write, port, value});
        if (port < host->plugin->controls.size()) host->plugin->controls[port] = value;
    }
    static int resize(LV2UI_Feature_Handle h, int width, int height)
    {
        auto* host = static_cast<UiTestHost*>(h);
        host->resizedWidth = width;
        host->resizedHeight = height;
        return 0;
    }
    static void touch(LV2UI_Feature_Handle h, uint32_t port, bool grabbed)
    {
        static_cast<UiTestHost*>(h)->calls.push_back(
            {grabbed ? HostCall::Kind::touchBegin : HostCall::Kind::touchEnd, port, 0.0f});
    }

    Display* display;
    Lv2TestHost* plugin;
    LV2UI_Handle ui = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    LV2UI_Resize resizeFeature{this, resize};
    LV2UI_Touch touchFeature{this, touch};
    LV2_Feature parentF{LV2_UI__parent, nullptr}, accessF{LV2_INSTANCE_ACCESS_URI, nullptr},
        resizeF{LV2_UI__resize, &resizeFeature}, touchF{LV2_UI__touch, &touchFeature},
        idleF{LV2_UI__idleInterface, nullptr};
};

// The controls of the bundle's skin on its main page, by parameter name.
inline std::map<std::string, SkinControlSpec> skinControls()
{
    SkinDescription skin;
    std::map<std::string, SkinControlSpec> controls;
    if (skin.readFile(std::string(ORVANE_LV2_BUNDLE) + "Skins/default/SkinParameters.txt"))
        for (const SkinControlSpec& c : skin.controls)
            if (c.page == "Main") controls[c.parameter] = c;
    return controls;
}

// The headless editor tool's picture of the editor with the product defaults and the settings
// given ("NAME=VALUE" words, normalised); empty when the tool failed.
inline gui::RgbaImage headlessSnapshot(const std::string& name, const std::string& settings)
{
    std::string options;
    std::istringstream words(settings);
    for (std::string word; words >> word;)
        options += " --set " + word;
    const std::string dir = std::string(ORVANE_BINARY_DIR) + "/test-scratch/lv2ui";
    const std::string png = dir + "/" + name + ".png";
    std::remove(png.c_str());
    const std::string command = "mkdir -p '" + dir + "' && echo 'snapshot " + png +
                                "' | ORVANE_FACTORY_DIR='" + ORVANE_BINARY_DIR + "/data' '" +
                                ORVANE_EDITOR_TOOL + "'" + options + " > /dev/null";
    gui::RgbaImage image;
    if (std::system(command.c_str()) == 0) gui::readPngFile(png, image);
    return image;
}

// Pixels whose colour differs (alpha aside), outside the editor's text displays and program
// selector: they show the program's name, which the headless tool's default program and the
// plug-in's first program do not share. -1 when the sizes differ.
inline long differingPixels(const gui::RgbaImage& a, const gui::RgbaImage& b)
{
    if (a.width != b.width || a.height != b.height) return -1;
    std::vector<SkinControlSpec> texts;
    for (const auto& [name, control] : skinControls())
        if (control.kind == "TextDisplay" || control.kind == "VersionDisplay" ||
            control.kind == "PresetSelector")
            texts.push_back(control);
    long count = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            bool masked = false;
            for (const SkinControlSpec& t : texts)
                masked = masked || (x >= t.x1 && x < t.x2 && y >= t.y1 && y < t.y2);
            count += !masked && !std::equal(a.pixel(x, y), a.pixel(x, y) + 3, b.pixel(x, y));
        }
    return count;
}

} // namespace uitest
