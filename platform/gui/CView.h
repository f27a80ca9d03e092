// Views and view containers: the tree that a frame draws and sends mouse events through.
//
// Coordinates: a view's rectangle is in its parent container's coordinates, where (0, 0) is the
// container's top-left corner. Mouse points handed to a view are in the same coordinates as its
// rectangle, and draw() draws the view at its rectangle.
//
// CView(size)
//   getViewSize(), setViewSize(r) the rectangle in the parent's coordinates
//   draw(context)                 draws the view; the base draws nothing
//   drawRect(context, area)       draws the part of the view inside area (parent coordinates);
//                                 the base clips to area and calls draw
//   onMouseDown(where, buttons)   a press; kMouseEventHandled takes the pointer: the view then
//                                 gets every move and the release until the button goes up
//   onMouseMoved(where, buttons)  the pointer moved (with a button held after a handled press,
//                                 or hovering over the view with no button)
//   onMouseUp(where, buttons)     the release of a press the view handled
//   onMouseEntered / onMouseExited(where, buttons)
//                                 the pointer came over / left the view
//   attached(parent), removed(parent)
//                                 the view was added to / taken out of a container
//   setDirty(), isDirty()         marks the view for the frame's next redraw of dirty views
//   invalid()                     same as setDirty()
//   setVisible, isVisible; setMouseEnabled, getMouseEnabled
//                                 invisible views are neither drawn nor hit; views with the mouse
//                                 disabled are drawn but not hit
//   getParentView(), getFrame()   the container holding the view / the frame above it (or nullptr)
//   localToFrame(p)               a point in the view's parent coordinates as frame pixels
//   frameToLocal(p)               a frame pixel in the view's parent coordinates
//   getFrameRect()                the view's rectangle in frame pixels
//   hitTest(where)                where (parent coordinates) lies in the view
//
// CViewContainer(size, background): a view that holds child views and owns them
//   setBackground(bitmap), setBackgroundOffset(p), setBackgroundColor(c)
//                                 what fills the container behind its children: the bitmap part
//                                 from the offset, otherwise the colour (transparent by default)
//   addView(view)                 appends view (drawn above the earlier ones) and takes ownership;
//                                 false (and nothing changes) for nullptr, a view already in a
//                                 container, or this container or one that holds it
//   removeView(view, withDelete)  takes view out; deletes it when withDelete
//   removeAll(withDelete)         takes every child out
//   getNbViews(), getView(i), isChild(view)
//   getViewAt(where, deep)        the topmost visible, mouse-enabled child at where (container
//                                 coordinates); with deep, descends into child containers
//   Mouse presses go to the topmost child under the point that handles them; that child then
//   gets the moves and the release (capture). Moves with nothing captured go to the topmost
//   child under the pointer.
//   Adding, removing, showing or hiding a child marks the container dirty.
//
// Views never outlive the container that owns them. User-interface thread only.
#pragma once

#include "platform/gui/CBitmap.h"
#include "platform/gui/CDrawContext.h"
#include "platform/gui/GuiTypes.h"

#include <vector>

class CFrame;
class CViewContainer;

class CView
{
  public:
    explicit CView(const CRect& size);
    virtual ~CView();
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    const CRect& getViewSize() const { return size; }
    virtual void setViewSize(const CRect& rect);
    int getWidth() const { return size.getWidth(); }
    int getHeight() const { return size.getHeight(); }

    virtual void draw(CDrawContext& context);
    virtual void drawRect(CDrawContext& context, const CRect& area);

    virtual CMouseEventResult onMouseDown(CPoint& where, int buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, int buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, int buttons);
    virtual void onMouseEntered(CPoint& where, int buttons);
    virtual void onMouseExited(CPoint& where, int buttons);

    virtual void attached(CViewContainer* parent);
    virtual void removed(CViewContainer* parent);

    virtual void setDirty(bool dirty = true) { dirtyFlag = dirty; }
    bool isDirty() const { return dirtyFlag; }
    void invalid() { setDirty(true); }

    void setVisible(bool visible);
    bool isVisible() const { return visibleFlag; }
    void setMouseEnabled(bool enabled) { mouseEnabled = enabled; }
    bool getMouseEnabled() const { return mouseEnabled; }

    CViewContainer* getParentView() const { return parent; }
    virtual CFrame* getFrame() const;
    CPoint localToFrame(CPoint where) const;
    CPoint frameToLocal(CPoint where) const;
    CRect getFrameRect() const;
    virtual bool hitTest(CPoint where) const { return size.pointInside(where); }
    virtual bool isContainer() const { return false; }

  protected:
    CRect size;

  private:
    friend class CViewContainer;
    CViewContainer* parent = nullptr;
    bool dirtyFlag = true;
    bool visibleFlag = true;
    bool mouseEnabled = true;
};

class CViewContainer : public CView
{
  public:
    explicit CViewContainer(const CRect& size, const CBitmap* background = nullptr);
    ~CViewContainer() override;

    void setBackground(const CBitmap* bitmap);
    const CBitmap* getBackground() const { return background; }
    void setBackgroundOffset(CPoint offset);
    CPoint getBackgroundOffset() const { return backgroundOffset; }
    void setBackgroundColor(CColor color);

    bool addView(CView* view);
    bool removeView(CView* view, bool withDelete = true);
    void removeAll(bool withDelete = true);
    int getNbViews() const { return int(children.size()); }
    CView* getView(int index) const;
    bool isChild(const CView* view) const;
    CView* getViewAt(CPoint where, bool deep = false) const;

    void draw(CDrawContext& context) override;
    void drawRect(CDrawContext& context, const CRect& area) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, int buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, int buttons) override;
    bool isContainer() const override { return true; }
    void setDirty(bool dirty = true) override;

    // Adds to rects the frame rectangle of every dirty view inside this container (origin: where
    // the container's (0, 0) lies in the frame; bounds: the visible part of it in the frame) and
    // clears those marks. A dirty container counts whole.
    void collectDirty(CPoint origin, const CRect& bounds, std::vector<CRect>& rects);

  protected:
    // Forgets view (and what lies inside it) as the captured or hovered view.
    virtual void forgetView(CView* view);

  private:
    friend class CView;
    std::vector<CView*> children;
    const CBitmap* background = nullptr;
    CPoint backgroundOffset;
    CColor backgroundColor{0, 0, 0, 0};
    CView* mouseDownView = nullptr;
};
