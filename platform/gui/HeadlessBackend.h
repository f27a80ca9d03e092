// gui::HeadlessBackend: a back end without a window system, for tests and scripted tools.
//
// The parent handle of a frame is a pointer to a gui::HeadlessParent. The frame's "window" is
// an RGBA image in that parent, updated on every present. Nothing arrives by itself: the caller
// sends mouse input to parent.frame, moves the clock, and queues the answers of the next popup
// menus and file dialogs before they open.
//
// HeadlessParent
//   frame                        the frame open in this parent (nullptr when none)
//   image                        the pixels presented so far (straight RGBA, the frame's size)
//   pixel(x, y)                  one presented pixel (transparent black outside)
//   presentCount, lastPresented  how often and what was presented last (frame pixels)
//   writeSnapshot(path)          image as an 8-bit RGBA PNG; false on failure
//
// HeadlessBackend
//   getTicks()                   the virtual clock: starts at 10000 ms, moves only by advance(ms)
//   queueMenuAnswer(path)        the next popup menu chooses path (see Backend::popupMenu);
//                                an empty path cancels it
//   queueFileAnswer(path)        the next file dialog returns path (nullopt: cancelled)
//   onMenuOpened, onFileDialogOpened, onUrlOpened
//                                observers called as a menu or dialog opens (before it is
//                                answered) or a URL is opened
//   pendingMenuAnswers(), pendingFileAnswers()
//   openedUrls()                 every text openUrl received, in order
//   A menu or dialog with no queued answer is cancelled.
//
// User-interface thread only.
#pragma once

#include "platform/gui/Backend.h"
#include "platform/gui/CBitmap.h"

#include <deque>
#include <functional>

namespace gui
{

struct HeadlessParent {
    CFrame* frame = nullptr;
    RgbaImage image;
    int presentCount = 0;
    CRect lastPresented;

    CColor pixel(int x, int y) const;
    bool writeSnapshot(const std::string& path) const { return writePng(path, image); }
};

class HeadlessBackend : public Backend
{
  public:
    static constexpr uint32_t kStartTicks = 10000;

    bool openWindow(CFrame& frame, void* parent) override;
    void closeWindow(CFrame& frame) override;
    void present(CFrame& frame, const CRect& rect) override;
    void processEvents(CFrame& frame) override;
    std::vector<int> popupMenu(CFrame& frame, const COptionMenu& menu, CPoint where) override;
    std::optional<std::string> fileDialog(CFrame* owner, const FileDialogRequest& request) override;
    bool openUrl(const std::string& text) override;
    uint32_t getTicks() override { return ticks; }

    void advance(uint32_t ms) { ticks += ms; }
    void queueMenuAnswer(std::vector<int> path) { menuAnswers.push_back(std::move(path)); }
    void queueFileAnswer(std::optional<std::string> path) { fileAnswers.push_back(std::move(path)); }
    size_t pendingMenuAnswers() const { return menuAnswers.size(); }
    size_t pendingFileAnswers() const { return fileAnswers.size(); }
    const std::vector<std::string>& openedUrls() const { return urls; }

    std::function<void(const COptionMenu& menu, CPoint where)> onMenuOpened;
    std::function<void(const FileDialogRequest& request)> onFileDialogOpened;
    std::function<void(const std::string& text)> onUrlOpened;

  private:
    HeadlessParent* parentOf(const CFrame& frame) const;

    uint32_t ticks = kStartTicks;
    std::deque<std::vector<int>> menuAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<std::string> urls;
};

} // namespace gui
