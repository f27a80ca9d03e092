// The frame: mouse capture, hovering, and redrawing only what is dirty.
#include "GuiTestSupport.h"

#include <gtest/gtest.h>

using namespace guitest;

namespace
{

// A solid view that logs its mouse events as "name event x y" and counts its draws.
struct LoggingView : CView {
    std::string name;
    CColor color;
    std::vector<std::string>& log;
    bool takesPress;
    int draws = 0;

    LoggingView(std::string n, const CRect& r, CColor c, std::vector<std::string>& l, bool takes = true)
        : CView(r), name(std::move(n)), color(c), log(l), takesPress(takes)
    {
    }
    CMouseEventResult note(const char* what, CPoint p)
    {
        log.push_back(name + " " + what + " " + std::to_string(p.x) + " " + std::to_string(p.y));
        return kMouseEventHandled;
    }
    void draw(CDrawContext& context) override
    {
        ++draws;
        context.setFillColor(color);
        context.fillRect(size);
    }
    CMouseEventResult onMouseDown(CPoint& where, int) override
    {
        note("down", where);
        return takesPress ? kMouseEventHandled : kMouseEventNotHandled;
    }
    CMouseEventResult onMouseMoved(CPoint& where, int) override { return note("moved", where); }
    CMouseEventResult onMouseUp(CPoint& where, int) override { return note("up", where); }
    void onMouseEntered(CPoint& where, int) override { note("entered", where); }
    void onMouseExited(CPoint& where, int) override { note("exited", where); }
};

constexpr CColor kRed{200, 0, 0, 255};
constexpr CColor kGreen{0, 200, 0, 255};
constexpr CColor kBlue{0, 0, 200, 255};

} // namespace

TEST(CFrame, TheViewThatTookAPressGetsTheMovesAndTheReleaseWherever)
{
    HeadlessFrame h;
    std::vector<std::string> log;
    // b sits in a page at (100, 10): its rectangle and its points are in page coordinates.
    auto* page = new CViewContainer(CRect(100, 10, 200, 110));
    auto* a = new LoggingView("a", CRect(10, 10, 30, 30), kRed, log);
    auto* b = new LoggingView("b", CRect(5, 5, 25, 25), kGreen, log);
    h.frame->addView(a);
    h.frame->addView(page);
    page->addView(b);

    using Log = std::vector<std::string>;
    // The action, where, what the views logged.
    const std::tuple<std::string, CPoint, Log> steps[] = {
        {"down", {15, 15}, {"a entered 15 15", "a down 15 15"}},
        {"move", {110, 20}, {"a moved 110 20"}}, // over b: still a's, in a's coordinates
        {"up", {110, 20}, {"a up 110 20", "a exited 110 20", "b entered 10 10"}},
        {"down", {112, 22}, {"b down 12 12"}},
        {"up", {15, 15}, {"b up -85 5", "b exited -85 5", "a entered 15 15"}},
        {"leave", {}, {"a exited -1 -1"}},
        {"up", {15, 15}, {}}, // a release with no press is dropped
    };
    for (auto [act, where, expected] : steps) {
        SCOPED_TRACE(act + " " + std::to_string(where.x) + " " + std::to_string(where.y));
        log.clear();
        if (act == "down") h.frame->handleMouseDown(where, kLButton);
        if (act == "move") h.frame->handleMouseMoved(where, kLButton);
        if (act == "hover") h.frame->handleMouseMoved(where, 0);
        if (act == "up") h.frame->handleMouseUp(where, 0);
        if (act == "leave") h.frame->handleMouseLeft();
        EXPECT_EQ(log, expected);
    }
}

TEST(CFrame, APressThatNoViewTakesFallsThroughAndCapturesNothing)
{
    HeadlessFrame h;
    std::vector<std::string> log;
    h.frame->addView(new LoggingView("under", CRect(0, 0, 50, 50), kRed, log));
    h.frame->addView(new LoggingView("over", CRect(10, 10, 40, 40), kGreen, log, false));
    h.frame->handleMouseDown({20, 20}, kLButton);
    EXPECT_TRUE(h.frame->isMouseCaptured());
    EXPECT_EQ(log, (std::vector<std::string>{"over entered 20 20", "over down 20 20", "under down 20 20"}));

    h.frame->handleMouseUp({20, 20}, 0);
    log.clear();
    h.frame->handleMouseDown({100, 100}, kLButton);
    EXPECT_FALSE(h.frame->isMouseCaptured());
    EXPECT_EQ(log, (std::vector<std::string>{"over exited 100 100"}));
}

TEST(CFrame, RemovingTheCapturedOrHoveredViewIsSafe)
{
    HeadlessFrame h;
    std::vector<std::string> log;
    auto* page = new CViewContainer(CRect(0, 0, 100, 100));
    auto* a = new LoggingView("a", CRect(10, 10, 30, 30), kRed, log);
    h.frame->addView(page);
    page->addView(a);
    h.frame->handleMouseDown({15, 15}, kLButton);
    h.frame->removeView(page); // deletes page and a while a holds the pointer
    h.frame->handleMouseMoved({16, 16}, kLButton);
    h.frame->handleMouseUp({16, 16}, 0);
    h.frame->handleMouseMoved({17, 17}, 0);
    h.frame->handleMouseLeft();
    EXPECT_EQ(log, (std::vector<std::string>{"a entered 15 15", "a down 15 15"}));
}

TEST(CFrame, RedrawsOnlyWhatIsDirtyAndKeepsOverlapsInOrder)
{
    HeadlessFrame h;
    std::vector<std::string> log;
    auto* a = new LoggingView("a", CRect(10, 10, 40, 40), kRed, log);
    auto* b = new LoggingView("b", CRect(30, 30, 60, 60), kGreen, log); // over a's corner
    auto* c = new LoggingView("c", CRect(100, 10, 120, 30), kBlue, log);
    h.frame->addView(a);
    h.frame->addView(b);
    h.frame->addView(c);
    h.frame->redrawDirty();
    EXPECT_EQ(h.parent.presentCount, 1);
    EXPECT_EQ(h.parent.lastPresented, CRect(0, 0, 200, 120));
    EXPECT_EQ(h.at(35, 35), kGreen);

    h.frame->redrawDirty(); // nothing is dirty: nothing drawn, nothing presented
    EXPECT_EQ(h.parent.presentCount, 1);
    EXPECT_EQ(a->draws + b->draws + c->draws, 3);

    a->color = {10, 10, 10, 255};
    a->setDirty();
    h.frame->redrawDirty();
    EXPECT_EQ(h.parent.presentCount, 2);
    EXPECT_EQ(h.parent.lastPresented, CRect(10, 10, 40, 40));
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(b->draws, 2); // drawn again over a's new pixels, clipped to a's rectangle
    EXPECT_EQ(c->draws, 1);
    EXPECT_EQ(h.at(15, 15), (CColor{10, 10, 10, 255}));
    EXPECT_EQ(h.at(35, 35), kGreen);
    EXPECT_EQ(h.at(45, 45), kGreen);
}

TEST(CFrame, AFrameWithoutAUsableParentStaysClosed)
{
    gui::HeadlessBackend backend;
    CFrame orphan(CRect(0, 0, 50, 50), nullptr, backend);
    EXPECT_FALSE(orphan.isOpen());
    orphan.idle(); // harmless

    gui::HeadlessParent parent;
    CFrame first(CRect(0, 0, 50, 50), &parent, backend);
    CFrame second(CRect(0, 0, 50, 50), &parent, backend); // the parent already holds a frame
    EXPECT_TRUE(first.isOpen());
    EXPECT_FALSE(second.isOpen());
    EXPECT_EQ(parent.frame, &first);
}

TEST(CViewContainer, RefusesViewsThatWouldBreakTheTree)
{
    HeadlessFrame h;
    auto* page = new CViewContainer(CRect(0, 0, 50, 50));
    auto* inner = new CViewContainer(CRect(0, 0, 20, 20));
    ASSERT_TRUE(h.frame->addView(page));
    ASSERT_TRUE(page->addView(inner));
    EXPECT_FALSE(page->addView(nullptr));
    EXPECT_FALSE(page->addView(page));
    EXPECT_FALSE(inner->addView(page));          // already in the frame, and would hold itself
    EXPECT_FALSE(inner->addView(h.frame.get())); // the frame has no parent but holds inner
    EXPECT_FALSE(h.frame->addView(inner));       // already in page
    EXPECT_EQ(page->getNbViews(), 1);
    EXPECT_EQ(inner->getNbViews(), 0);

    // A view taken out without deleting can go elsewhere; the container no longer draws it.
    ASSERT_TRUE(page->removeView(inner, false));
    EXPECT_EQ(inner->getParentView(), nullptr);
    EXPECT_TRUE(h.frame->addView(inner));
    EXPECT_FALSE(page->removeView(inner, true)); // not page's child: nothing deleted
}
