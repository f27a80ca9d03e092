#include "platform/gui/x11/X11PopupMenu.h"

#include "platform/gui/COptionMenu.h"
#include "platform/gui/x11/X11Window.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cairo.h>
#include <functional>
#include <memory>
#include <thread>

namespace gui::x11
{

namespace
{

using M = MenuMetrics;

// No window side beyond this, however many entries a menu has; columns are the way to fit more.
constexpr int maxMenuSide = 16000;

// Grabs are tried this many times, 10 ms apart.
constexpr int maxGrabAttempts = 50;

bool choosable(const COptionMenu& menu, int index)
{
    return index >= 0 && index < menu.getNbEntries() && !menu.isSeparator(index) && !menu.isDisabled(index);
}

// Text in menus: one font, measured and drawn with cairo.
void selectMenuFont(cairo_t* cr)
{
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, M::fontSize);
}

class TextMeasure
{
  public:
    TextMeasure()
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1)), cr_(cairo_create(surface_))
    {
        selectMenuFont(cr_);
    }
    ~TextMeasure()
    {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    TextMeasure(const TextMeasure&) = delete;
    TextMeasure& operator=(const TextMeasure&) = delete;

    int operator()(const std::string& text) const
    {
        cairo_text_extents_t extents;
        cairo_text_extents(cr_, text.c_str(), &extents);
        return static_cast<int>(extents.x_advance + 0.999);
    }

  private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// One open level: the menu or one of its submenus, in a window of its own.
struct Level {
    const COptionMenu* menu = nullptr;
    MenuLayout layout;
    CRect screenRect; // the window on the screen
    Window window = 0;
    GC gc = nullptr;
    int highlighted = -1;
    int openSubmenu = -1; // the entry whose submenu is the next level
};

class MenuSession
{
  public:
    MenuSession(Display* display, int screen, const std::function<void(const XEvent&)>& otherEvent)
        : display_(display), screen_(screen), root_(RootWindow(display, screen_)), otherEvent_(otherEvent)
    {
        screenRect_ = {0, 0, DisplayWidth(display, screen_), DisplayHeight(display, screen_)};
    }
    ~MenuSession()
    {
        XUngrabPointer(display_, CurrentTime);
        XUngrabKeyboard(display_, CurrentTime);
        closeLevelsFrom(0);
        XFlush(display_);
    }
    MenuSession(const MenuSession&) = delete;
    MenuSession& operator=(const MenuSession&) = delete;

    std::vector<int> run(const COptionMenu& menu, int rootX, int rootY)
    {
        MenuLayout layout = menuLayout(menu, std::cref(measure_));
        CPoint corner = placeMenu(screenRect_, {layout.width, layout.height}, {rootX, rootY});
        openLevel(menu, std::move(layout), corner);
        if (choosable(menu, menu.getCurrent())) levels_[0].highlighted = menu.getCurrent();
        if (!grabInput()) return {};
        for (;;) {
            XEvent event;
            XNextEvent(display_, &event);
            int level = levelOf(event.xany.window);
            if (level < 0) {
                if (otherEvent_) otherEvent_(event);
                continue;
            }
            switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0) drawLevel(level);
                break;
            case MotionNotify:
                pointerMoved(event.xmotion.x_root, event.xmotion.y_root, event.xmotion.state);
                break;
            case ButtonPress:
                if (!buttonPressed(event.xbutton.x_root, event.xbutton.y_root)) return {};
                break;
            case ButtonRelease:
                if (released(event.xbutton.x_root, event.xbutton.y_root) || cancelled_) return result_;
                break;
            case KeyPress:
                if (keyPressed(XLookupKeysym(&event.xkey, 0)) || cancelled_) return result_;
                break;
            default:
                break;
            }
        }
    }

  private:
    bool grabInput()
    {
        // The window is viewable once the server has handled the map. A grab held elsewhere (by the
        // host, for a moment) is waited out briefly: without the pointer the menu could never see a
        // click outside, so it gives up; without the keyboard only Escape and the keys are lost.
        XSync(display_, False);
        const unsigned int mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
        Window window = levels_[0].window;
        auto retried = [](const std::function<bool()>& grab) {
            for (int attempt = 0; attempt < maxGrabAttempts; ++attempt) {
                if (grab()) return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return false;
        };
        if (!retried([&] {
                return XGrabPointer(display_, window, True, mask, GrabModeAsync, GrabModeAsync, None, None,
                                    CurrentTime) == GrabSuccess;
            }))
            return false;
        retried([&] {
            return XGrabKeyboard(display_, window, True, GrabModeAsync, GrabModeAsync, CurrentTime) ==
                   GrabSuccess;
        });
        return true;
    }

    void openLevel(const COptionMenu& menu, MenuLayout layout, CPoint corner)
    {
        Level level;
        level.menu = &menu;
        level.screenRect = {corner.x, corner.y, corner.x + layout.width, corner.y + layout.height};
        level.layout = std::move(layout);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.save_under = True;
        attributes.background_pixel = WhitePixel(display_, screen_);
        attributes.event_mask =
            ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
        level.window =
            XCreateWindow(display_, root_, corner.x, corner.y, level.layout.width, level.layout.height, 0,
                          CopyFromParent, InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWSaveUnder | CWBackPixel | CWEventMask, &attributes);
        level.gc = XCreateGC(display_, level.window, 0, nullptr);
        XMapRaised(display_, level.window);
        levels_.push_back(std::move(level));
    }

    void closeLevelsFrom(size_t first)
    {
        while (levels_.size() > first) {
            XFreeGC(display_, levels_.back().gc);
            XDestroyWindow(display_, levels_.back().window);
            levels_.pop_back();
        }
        if (!levels_.empty()) levels_.back().openSubmenu = -1;
    }

    void openSubmenu(size_t level, int entry)
    {
        closeLevelsFrom(level + 1);
        const COptionMenu* sub = levels_[level].menu->getSubMenu(entry);
        if (!sub || sub->getNbEntries() == 0) return;
        MenuLayout layout = menuLayout(*sub, std::cref(measure_));
        const CRect& parent = levels_[level].screenRect;
        CRect entryRect = levels_[level].layout.entries[entry].offset(parent.left, parent.top);
        CPoint corner = placeSubmenu(screenRect_, {layout.width, layout.height}, parent, entryRect);
        levels_[level].openSubmenu = entry;
        openLevel(*sub, std::move(layout), corner);
    }

    int levelOf(Window window) const
    {
        for (size_t i = 0; i < levels_.size(); ++i)
            if (levels_[i].window == window) return int(i);
        return -1;
    }

    // The deepest level under a screen point, and the entry there (-1 for none).
    std::pair<int, int> hit(int rootX, int rootY) const
    {
        for (int i = int(levels_.size()) - 1; i >= 0; --i) {
            const CRect& r = levels_[i].screenRect;
            if (r.pointInside({rootX, rootY}))
                return {i, entryAt(levels_[i].layout, {rootX - r.left, rootY - r.top})};
        }
        return {-1, -1};
    }

    void setHighlight(size_t level, int entry)
    {
        if (levels_[level].highlighted == entry) return;
        levels_[level].highlighted = entry;
        drawLevel(level);
    }

    bool hasSubmenu(size_t level, int entry) const
    {
        return choosable(*levels_[level].menu, entry) && levels_[level].menu->getSubMenu(entry) != nullptr;
    }

    void pointerMoved(int rootX, int rootY, unsigned int state)
    {
        auto [level, entry] = hit(rootX, rootY);
        if (level < 0) return;
        if (state & (Button1Mask | Button2Mask | Button3Mask)) dragged_ = true;
        setHighlight(level, choosable(*levels_[level].menu, entry) ? entry : -1);
        if (entry < 0 || entry == levels_[level].openSubmenu) return;
        if (hasSubmenu(level, entry))
            openSubmenu(level, entry);
        else
            closeLevelsFrom(level + 1);
    }

    // False when the press cancels the menu.
    bool buttonPressed(int rootX, int rootY)
    {
        auto [level, entry] = hit(rootX, rootY);
        if (level < 0) return false;
        pressSeen_ = true;
        if (hasSubmenu(level, entry) && levels_[level].openSubmenu != entry) openSubmenu(level, entry);
        return true;
    }

    // True when the release chose an entry.
    bool released(int rootX, int rootY)
    {
        auto [level, entry] = hit(rootX, rootY);
        if (level < 0) {
            cancelled_ = dragged_; // letting go outside after dragging from the opening press
            return false;
        }
        if (!(pressSeen_ || dragged_) || !choosable(*levels_[level].menu, entry) || hasSubmenu(level, entry))
            return false;
        choose(level, entry);
        return true;
    }

    void choose(size_t level, int entry)
    {
        result_.clear();
        for (size_t i = 0; i < level; ++i)
            result_.push_back(levels_[i].openSubmenu);
        result_.push_back(entry);
    }

    // True when the key chose an entry; sets cancelled_ for Escape.
    bool keyPressed(KeySym key)
    {
        size_t deepest = levels_.size() - 1;
        Level& level = levels_[deepest];
        switch (key) {
        case XK_Escape:
            cancelled_ = true;
            result_.clear();
            return false;
        case XK_Up:
        case XK_Down:
            moveHighlight(deepest, key == XK_Down ? 1 : -1);
            return false;
        case XK_Left:
            if (deepest > 0) closeLevelsFrom(deepest);
            return false;
        case XK_Right:
        case XK_Return:
        case XK_KP_Enter:
            if (hasSubmenu(deepest, level.highlighted)) {
                openSubmenu(deepest, level.highlighted);
                moveHighlight(deepest + 1, 1);
                return false;
            }
            if (key != XK_Right && choosable(*level.menu, level.highlighted)) {
                choose(deepest, level.highlighted);
                return true;
            }
            return false;
        default:
            return false;
        }
    }

    void moveHighlight(size_t level, int step)
    {
        if (level >= levels_.size()) return;
        const COptionMenu& menu = *levels_[level].menu;
        int count = menu.getNbEntries();
        int entry = levels_[level].highlighted;
        for (int tries = 0; tries < count; ++tries) {
            entry = entry < 0 ? (step > 0 ? 0 : count - 1) : (entry + step + count) % count;
            if (choosable(menu, entry)) {
                setHighlight(level, entry);
                return;
            }
        }
    }

    void drawLevel(size_t index)
    {
        const Level& level = levels_[index];
        const COptionMenu& menu = *level.menu;
        int w = level.layout.width;
        int h = level.layout.height;
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 0.35, 0.35, 0.38); // the border
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
        cairo_rectangle(cr, M::border, M::border, w - 2 * M::border, h - 2 * M::border);
        cairo_fill(cr);
        selectMenuFont(cr);
        cairo_font_extents_t font;
        cairo_font_extents(cr, &font);
        for (int i = 0; i < menu.getNbEntries(); ++i) {
            const CRect& r = level.layout.entries[i];
            if (menu.isSeparator(i)) {
                cairo_set_source_rgb(cr, 0.7, 0.7, 0.7);
                cairo_rectangle(cr, r.left + 4, r.top + r.getHeight() / 2, r.getWidth() - 8, 1);
                cairo_fill(cr);
                continue;
            }
            bool lit = i == level.highlighted || i == level.openSubmenu;
            if (lit) {
                cairo_set_source_rgb(cr, 0.22, 0.42, 0.75);
                cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
                cairo_fill(cr);
            }
            if (menu.isDisabled(i))
                cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
            else if (lit)
                cairo_set_source_rgb(cr, 1, 1, 1);
            else
                cairo_set_source_rgb(cr, 0.08, 0.08, 0.08);
            double middle = r.top + r.getHeight() / 2.0;
            if (menu.isEntryChecked(i)) {
                cairo_set_line_width(cr, 2.0);
                cairo_move_to(cr, r.left + 6, middle);
                cairo_line_to(cr, r.left + 10, middle + 4);
                cairo_line_to(cr, r.left + 16, middle - 5);
                cairo_stroke(cr);
            }
            if (menu.getSubMenu(i)) {
                double x = r.right - 8;
                cairo_move_to(cr, x - 5, middle - 4);
                cairo_line_to(cr, x, middle);
                cairo_line_to(cr, x - 5, middle + 4);
                cairo_close_path(cr);
                cairo_fill(cr);
            }
            cairo_move_to(cr, r.left + M::checkWidth, middle + (font.ascent - font.descent) / 2.0);
            cairo_show_text(cr, menu.getEntryText(i).c_str());
        }
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        DrawTarget target{display_, level.window, level.gc, DefaultVisual(display_, screen_),
                          DefaultDepth(display_, screen_)};
        putPixels(target, cairo_image_surface_get_data(surface), cairo_image_surface_get_stride(surface), w,
                  h, {0, 0, w, h});
        cairo_surface_destroy(surface);
        XFlush(display_);
    }

    Display* display_;
    int screen_;
    Window root_;
    CRect screenRect_;
    std::function<void(const XEvent&)> otherEvent_;
    TextMeasure measure_;
    std::vector<Level> levels_;
    std::vector<int> result_;
    bool pressSeen_ = false;
    bool dragged_ = false;
    bool cancelled_ = false;
};

} // namespace

MenuLayout menuLayout(const COptionMenu& menu, const std::function<int(const std::string&)>& textWidth)
{
    MenuLayout layout;
    int count = menu.getNbEntries();
    int perColumn = menu.getNbItemsPerColumn() > 0 ? menu.getNbItemsPerColumn() : std::max(count, 1);
    int x = M::border;
    int tallest = 0;
    for (int first = 0; first < count; first += perColumn) {
        int last = std::min(first + perColumn, count);
        int width = M::minColumnWidth;
        bool arrows = false;
        for (int i = first; i < last; ++i) {
            if (!menu.isSeparator(i))
                width = std::max(width, M::checkWidth + textWidth(menu.getEntryText(i)) + M::textRight);
            arrows = arrows || menu.getSubMenu(i) != nullptr;
        }
        width = std::min(width + (arrows ? M::arrowWidth : 0), maxMenuSide / 4);
        int y = M::border;
        for (int i = first; i < last; ++i) {
            int h = menu.isSeparator(i) ? M::separatorHeight : M::entryHeight;
            layout.entries.emplace_back(x, y, x + width, y + h);
            y += h;
        }
        tallest = std::max(tallest, y - M::border);
        x += width;
    }
    if (count == 0) x += M::minColumnWidth;
    layout.width = std::min(x + M::border, maxMenuSide);
    layout.height = std::min(tallest + 2 * M::border, maxMenuSide);
    return layout;
}

int entryAt(const MenuLayout& layout, CPoint point)
{
    for (size_t i = 0; i < layout.entries.size(); ++i)
        if (layout.entries[i].pointInside(point)) return int(i);
    return -1;
}

CPoint placeMenu(const CRect& screen, CPoint size, CPoint at)
{
    int x = std::max(std::min(at.x, screen.right - size.x), screen.left);
    int y = std::max(std::min(at.y, screen.bottom - size.y), screen.top);
    return {x, y};
}

CPoint placeSubmenu(const CRect& screen, CPoint size, const CRect& parentWindow, const CRect& entry)
{
    int x = parentWindow.right;
    if (x + size.x > screen.right) x = parentWindow.left - size.x;
    return placeMenu(screen, size, {x, entry.top - M::border});
}

std::vector<int> runPopupMenu(Display* display, int screen, const COptionMenu& menu, int rootX, int rootY,
                              const std::function<void(const XEvent&)>& otherEvent)
{
    if (!display || screen < 0 || screen >= ScreenCount(display) || menu.getNbEntries() == 0) return {};
    MenuSession session(display, screen, otherEvent);
    return session.run(menu, rootX, rootY);
}

} // namespace gui::x11
