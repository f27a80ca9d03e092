// The headless back end: a presented image per parent, a virtual clock and queued answers.
#include "platform/gui/HeadlessBackend.h"

#include "platform/gui/CFrame.h"
#include "platform/gui/COptionMenu.h"


namespace gui
{

CColor HeadlessParent::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return {0, 0, 0, 0};
    const uint8_t* p = image.pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

HeadlessParent* HeadlessBackend::parentOf(const CFrame& frame) const
{
    auto* parent = static_cast<HeadlessParent*>(frame.getParentWindow());
    return parent && parent->frame == &frame ? parent : nullptr;
}

bool HeadlessBackend::openWindow(CFrame& frame, void* parentWindow)
{
    auto* parent = static_cast<HeadlessParent*>(parentWindow);
    if (!parent || parent->frame) return false;
    parent->frame = &frame;
    parent->image.width = frame.getWidth();
    parent->image.height = frame.getHeight();
    parent->image.pixels.assign(size_t(frame.getWidth()) * size_t(frame.getHeight()) * 4, 0);
    parent->presentCount = 0;
    parent->lastPresented = CRect();
    return true;
}

void HeadlessBackend::closeWindow(CFrame& frame)
{
    if (HeadlessParent* parent = parentOf(frame)) parent->frame = nullptr;
}

void HeadlessBackend::present(CFrame& frame, const CRect& rect)
{
    HeadlessParent* parent = parentOf(frame);
    if (!parent) return;
    const CRect area = rect.intersect(CRect(0, 0, parent->image.width, parent->image.height));
    ++parent->presentCount;
    parent->lastPresented = area;
    frame.getImage().copyRgba(area, parent->image);
}

void HeadlessBackend::processEvents(CFrame&) {}

std::vector<int> HeadlessBackend::popupMenu(CFrame&, const COptionMenu& menu, CPoint where)
{
    if (onMenuOpened) onMenuOpened(menu, where);
    if (menuAnswers.empty()) return {};
    std::vector<int> answer = std::move(menuAnswers.front());
    menuAnswers.pop_front();
    return answer;
}

std::optional<std::string> HeadlessBackend::fileDialog(CFrame*, const FileDialogRequest& request)
{
    if (onFileDialogOpened) onFileDialogOpened(request);
    if (fileAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(fileAnswers.front());
    fileAnswers.pop_front();
    return answer;
}

bool HeadlessBackend::openUrl(const std::string& text)
{
    urls.push_back(text);
    if (onUrlOpened) onUrlOpened(text);
    return true;
}

} // namespace gui
