// CFrame: the top view container, shown in a native window inside the host's parent window.
//
// CFrame(size, parent, backend)   a frame of size (left and top 0) whose window the back end
//                                 creates inside parent; isOpen() tells whether it did
//   ~CFrame                       closes the window and deletes every view in the frame
//   getImage()                    the frame's pixels (ARGB32, size of the frame); what the back end
//                                 shows. Drawing only happens in redraw / redrawDirty
//   redrawDirty()                 draws the dirty views (and what lies under and over them) into
//                                 the image and presents the changed part; nothing when clean
//   redraw()                      draws and presents everything
//   redrawRect(area)              draws and presents the part of area inside the frame
//   idle()                        lets the back end deliver pending events, then redrawDirty()
//   handleMouseDown / handleMouseMoved / handleMouseUp (where, buttons)
//                                 mouse input in frame pixels, as the back end delivers it. A press
//                                 goes to the topmost view under it that handles it; that view
//                                 gets every move and the release, wherever the pointer is. With
//                                 no button held the views under the pointer get entered, moved
//                                 and exited
//   handleMouseLeft()             the pointer left the window: the hovered view gets exited
//                                 (not while a press is held: the pressed view keeps the pointer)
//   getTicks()                    the back end's millisecond clock
//   setKnobMode / getKnobMode     how knobs of this frame are dragged (CKnobMode; linear at first)
//   setEditor(editor)             who hears beginEdit / endEdit(tag) of views that edit a value
//   beginEdit(tag), endEdit(tag)  without a control of their own (passed to the editor)
//   openUrl(text)                 the back end opens a URL or file
//   getBackend(), getParentWindow()
//
// User-interface thread only.
#pragma once

#include "platform/gui/Backend.h"
#include "platform/gui/CAnimKnob.h"
#include "platform/gui/CView.h"

#include <cstdint>
#include <memory>

class CFrameEditor
{
  public:
    virtual ~CFrameEditor() = default;
    virtual void beginEdit(int tag) = 0;
    virtual void endEdit(int tag) = 0;
};

class CFrame : public CViewContainer
{
  public:
    CFrame(const CRect& size, void* parentWindow, gui::Backend& backend);
    ~CFrame() override;

    bool isOpen() const { return windowOpen; }
    const CBitmap& getImage() const { return *image; }

    void redrawDirty();
    void redraw();
    void redrawRect(const CRect& area);
    void idle();

    void handleMouseDown(CPoint where, int buttons);
    void handleMouseMoved(CPoint where, int buttons);
    void handleMouseUp(CPoint where, int buttons);
    void handleMouseLeft();

    uint32_t getTicks() const { return backend.getTicks(); }
    void setKnobMode(CKnobMode mode) { knobMode = mode; }
    CKnobMode getKnobMode() const { return knobMode; }
    void setEditor(CFrameEditor* e) { editor = e; }
    CFrameEditor* getEditor() const { return editor; }
    void beginEdit(int tag);
    void endEdit(int tag);
    bool openUrl(const std::string& text) { return backend.openUrl(text); }

    gui::Backend& getBackend() const { return backend; }
    void* getParentWindow() const { return parentWindow; }
    CFrame* getFrame() const override { return const_cast<CFrame*>(this); }

    // True while a press is captured by a view (between a handled press and its release).
    bool isMouseCaptured() const { return pressActive; }

  protected:
    void forgetView(CView* view) override;

  private:
    void updateHover(CPoint where, int buttons);

    gui::Backend& backend;
    void* parentWindow;
    std::unique_ptr<CBitmap> image;
    bool windowOpen = false;
    bool pressActive = false;
    CView* hoverView = nullptr;
    CKnobMode knobMode = kLinearMode;
    CFrameEditor* editor = nullptr;
};
