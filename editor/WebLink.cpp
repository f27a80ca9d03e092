// The invisible web link.
#include "editor/WebLink.h"

#include "editor/KsEditor.h"

WebLink::WebLink(const CRect& rect, CControlListener* l, int t, KsEditor* owner)
    : CControl(rect, l, t), editor(owner), url(KsEditor::kMakerWebSite)
{
}

void WebLink::setUrl(const char* text)
{
    url.assign(text ? text : "");
    if (url.size() > kMaxUrl) url.resize(kMaxUrl);
}

void WebLink::draw(CDrawContext&)
{
    setDirty(false);
}

CMouseEventResult WebLink::onMouseDown(CPoint&, int buttons)
{
    if (!(buttons & (kLButton | kRButton))) return kMouseEventNotHandled;
    if (editor) editor->openUrl(url.c_str());
    bounceValue();
    notifyValueChanged();
    return kMouseEventHandled;
}
