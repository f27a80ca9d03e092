// Views and containers: drawing restricted to an area, mouse routing with capture.
#include "platform/gui/CView.h"

#include "platform/gui/CFrame.h"

#include <algorithm>

CView::CView(const CRect& rect) : size(rect) {}

CView::~CView() = default;

void CView::setViewSize(const CRect& rect)
{
    if (parent) parent->setDirty();
    size = rect;
    setDirty();
}

void CView::draw(CDrawContext&) {}

void CView::drawRect(CDrawContext& context, const CRect& area)
{
    const CRect visible = area.intersect(size);
    if (visible.isEmpty()) return;
    const CRect savedClip = context.getClipRect();
    context.setClipRect(visible.intersect(savedClip));
    draw(context);
    context.setClipRect(savedClip);
}

CMouseEventResult CView::onMouseDown(CPoint&, int)
{
    return kMouseEventNotHandled;
}

CMouseEventResult CView::onMouseMoved(CPoint&, int)
{
    return kMouseEventNotHandled;
}

CMouseEventResult CView::onMouseUp(CPoint&, int)
{
    return kMouseEventNotHandled;
}

void CView::onMouseEntered(CPoint&, int) {}
void CView::onMouseExited(CPoint&, int) {}
void CView::attached(CViewContainer*) {}
void CView::removed(CViewContainer*) {}

void CView::setVisible(bool visible)
{
    if (visible == visibleFlag) return;
    visibleFlag = visible;
    if (parent) parent->setDirty();
    if (!visible && parent) {
        // A hidden view can no longer hold the pointer.
        for (CViewContainer* c = parent; c; c = c->getParentView())
            c->forgetView(this);
    }
}

CFrame* CView::getFrame() const
{
    return parent ? parent->getFrame() : nullptr;
}

CPoint CView::localToFrame(CPoint where) const
{
    for (const CViewContainer* c = parent; c; c = c->getParentView())
        where = where.offset(c->size.left, c->size.top);
    return where;
}

CPoint CView::frameToLocal(CPoint where) const
{
    const CPoint origin = localToFrame({0, 0});
    return where.offset(-origin.x, -origin.y);
}

CRect CView::getFrameRect() const
{
    const CPoint origin = localToFrame({0, 0});
    return size.offset(origin.x, origin.y);
}

CViewContainer::CViewContainer(const CRect& rect, const CBitmap* bitmap) : CView(rect), background(bitmap) {}

CViewContainer::~CViewContainer()
{
    for (CView* child : children) {
        child->parent = nullptr;
        delete child;
    }
}

void CViewContainer::setBackground(const CBitmap* bitmap)
{
    background = bitmap;
    setDirty();
}

void CViewContainer::setBackgroundOffset(CPoint offset)
{
    backgroundOffset = offset;
    setDirty();
}

void CViewContainer::setBackgroundColor(CColor color)
{
    backgroundColor = color;
    setDirty();
}

bool CViewContainer::addView(CView* view)
{
    if (view == nullptr || view->parent != nullptr) return false;
    // A container that holds this one (or this one itself) would make the tree a loop.
    for (const CView* v = this; v; v = v->parent)
        if (v == view) return false;
    children.push_back(view);
    view->parent = this;
    view->setDirty();
    view->attached(this);
    return true;
}

bool CViewContainer::removeView(CView* view, bool withDelete)
{
    const auto it = std::find(children.begin(), children.end(), view);
    if (it == children.end()) return false;
    for (CViewContainer* c = this; c; c = c->getParentView())
        c->forgetView(view);
    children.erase(it);
    view->removed(this);
    view->parent = nullptr;
    setDirty();
    if (withDelete) delete view;
    return true;
}

void CViewContainer::removeAll(bool withDelete)
{
    while (!children.empty())
        removeView(children.back(), withDelete);
}

CView* CViewContainer::getView(int index) const
{
    return index >= 0 && index < int(children.size()) ? children[size_t(index)] : nullptr;
}

bool CViewContainer::isChild(const CView* view) const
{
    return std::find(children.begin(), children.end(), view) != children.end();
}

CView* CViewContainer::getViewAt(CPoint where, bool deep) const
{
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* child = *it;
        if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(where)) continue;
        if (deep && child->isContainer()) {
            auto* container = static_cast<CViewContainer*>(child);
            if (CView* inner = container->getViewAt(where.offset(-child->size.left, -child->size.top), true))
                return inner;
        }
        return child;
    }
    return nullptr;
}

void CViewContainer::setDirty(bool dirty)
{
    CView::setDirty(dirty);
    if (!dirty)
        for (CView* child : children)
            child->setDirty(false);
}

void CViewContainer::draw(CDrawContext& context)
{
    drawRect(context, size);
}

void CViewContainer::drawRect(CDrawContext& context, const CRect& area)
{
    const CRect visible = area.intersect(size);
    if (visible.isEmpty()) return;
    const CRect savedClip = context.getClipRect();
    const CPoint savedOrigin = context.getOrigin();
    context.setClipRect(visible.intersect(savedClip));
    context.setOrigin(savedOrigin.offset(size.left, size.top));
    const CRect local = visible.offset(-size.left, -size.top);
    if (background) {
        context.drawBitmap(*background, local, backgroundOffset.offset(local.left, local.top));
    } else if (backgroundColor.alpha > 0) {
        context.setFillColor(backgroundColor);
        context.fillRect(local);
    }
    for (CView* child : children)
        if (child->isVisible()) child->drawRect(context, local);
    context.setOrigin(savedOrigin);
    context.setClipRect(savedClip);
}

void CViewContainer::collectDirty(CPoint origin, const CRect& bounds, std::vector<CRect>& rects)
{
    for (CView* child : children) {
        if (!child->isVisible()) {
            child->setDirty(false);
            continue;
        }
        const CRect rect = child->size.offset(origin.x, origin.y).intersect(bounds);
        if (child->isDirty()) {
            if (!rect.isEmpty()) rects.push_back(rect);
            child->setDirty(false);
        } else if (child->isContainer() && !rect.isEmpty()) {
            static_cast<CViewContainer*>(child)->collectDirty(
                origin.offset(child->size.left, child->size.top), rect, rects);
        }
    }
}

CMouseEventResult CViewContainer::onMouseDown(CPoint& where, int buttons)
{
    const CPoint local = where.offset(-size.left, -size.top);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* child = *it;
        if (!child->isVisible() || !child->getMouseEnabled() || !child->hitTest(local)) continue;
        CPoint p = local;
        if (child->onMouseDown(p, buttons) == kMouseEventHandled) {
            // The child may have removed itself while handling the press (a menu that rebuilt the page).
            if (isChild(child)) mouseDownView = child;
            return kMouseEventHandled;
        }
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseMoved(CPoint& where, int buttons)
{
    const CPoint local = where.offset(-size.left, -size.top);
    CView* target = mouseDownView ? mouseDownView : getViewAt(local);
    if (!target) return kMouseEventNotHandled;
    CPoint p = local;
    return target->onMouseMoved(p, buttons);
}

CMouseEventResult CViewContainer::onMouseUp(CPoint& where, int buttons)
{
    CView* target = mouseDownView;
    mouseDownView = nullptr;
    if (!target) return kMouseEventNotHandled;
    CPoint p = where.offset(-size.left, -size.top);
    return target->onMouseUp(p, buttons);
}

void CViewContainer::forgetView(CView* view)
{
    if (mouseDownView == view) mouseDownView = nullptr;
}
