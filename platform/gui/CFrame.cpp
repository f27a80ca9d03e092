// The frame: owns the window's pixels, redraws dirty views, routes mouse input with capture
// and tracks which view the pointer is over.
#include "platform/gui/CFrame.h"

CFrame::CFrame(const CRect& rect, void* parentHandle, gui::Backend& b)
    : CViewContainer(CRect(0, 0, rect.getWidth(), rect.getHeight())), backend(b), parentWindow(parentHandle),
      image(std::make_unique<CBitmap>(rect.getWidth(), rect.getHeight()))
{
    windowOpen = !image->isEmpty() && backend.openWindow(*this, parentWindow);
}

CFrame::~CFrame()
{
    if (windowOpen) backend.closeWindow(*this);
    windowOpen = false;
    hoverView = nullptr;
}

void CFrame::redrawDirty()
{
    if (image->isEmpty()) return;
    std::vector<CRect> rects;
    const CRect whole(0, 0, getWidth(), getHeight());
    if (isDirty()) {
        rects.push_back(whole);
        setDirty(false);
    } else {
        collectDirty({0, 0}, whole, rects);
    }
    if (rects.empty()) return;
    // A rectangle inside another one already listed needs no drawing of its own.
    std::vector<CRect> areas;
    for (const CRect& r : rects) {
        bool covered = false;
        for (const CRect& a : areas)
            if (a.intersect(r) == r) covered = true;
        if (!covered) areas.push_back(r);
    }
    CDrawContext context(image->getSurface());
    CRect region;
    for (const CRect& area : areas) {
        drawRect(context, area);
        region = region.unite(area);
    }
    cairo_surface_flush(image->getSurface());
    if (windowOpen) backend.present(*this, region);
}

void CFrame::redraw()
{
    setDirty(true);
    redrawDirty();
}

void CFrame::redrawRect(const CRect& area)
{
    const CRect clipped = area.intersect(CRect(0, 0, getWidth(), getHeight()));
    if (image->isEmpty() || clipped.isEmpty()) return;
    CDrawContext context(image->getSurface());
    drawRect(context, clipped);
    cairo_surface_flush(image->getSurface());
    if (windowOpen) backend.present(*this, clipped);
}

void CFrame::idle()
{
    if (windowOpen) backend.processEvents(*this);
    redrawDirty();
}

void CFrame::handleMouseDown(CPoint where, int buttons)
{
    // A press while another is still held (a second button) first ends the held one.
    if (pressActive) handleMouseUp(where, buttons);
    updateHover(where, buttons);
    CPoint p = where;
    pressActive = onMouseDown(p, buttons) == kMouseEventHandled;
}

void CFrame::handleMouseMoved(CPoint where, int buttons)
{
    CPoint p = where;
    if (pressActive) {
        onMouseMoved(p, buttons);
        return;
    }
    updateHover(where, buttons);
    onMouseMoved(p, buttons);
}

void CFrame::handleMouseUp(CPoint where, int buttons)
{
    if (!pressActive) return;
    pressActive = false;
    CPoint p = where;
    onMouseUp(p, buttons);
    updateHover(where, 0);
}

void CFrame::handleMouseLeft()
{
    if (pressActive || !hoverView) return;
    CView* view = hoverView;
    hoverView = nullptr;
    CPoint p = view->frameToLocal({-1, -1});
    view->onMouseExited(p, 0);
}

void CFrame::updateHover(CPoint where, int buttons)
{
    CView* now = getViewAt(where, true);
    if (now == hoverView) return;
    CView* before = hoverView;
    hoverView = now;
    if (before) {
        CPoint p = before->frameToLocal(where);
        before->onMouseExited(p, buttons);
    }
    // The exited handler may have removed the new view (forgetView then cleared hoverView).
    if (now && hoverView == now) {
        CPoint p = now->frameToLocal(where);
        now->onMouseEntered(p, buttons);
    }
}

void CFrame::forgetView(CView* view)
{
    CViewContainer::forgetView(view);
    for (CView* v = hoverView; v; v = v->getParentView())
        if (v == view) {
            hoverView = nullptr;
            break;
        }
}

void CFrame::beginEdit(int tag)
{
    if (editor) editor->beginEdit(tag);
}

void CFrame::endEdit(int tag)
{
    if (editor) editor->endEdit(tag);
}
