// WebLink: an invisible area that opens a web address.
//
// WebLink(size, listener, tag, editor)
//   setUrl(text), getUrl()        the address (at most kMaxUrl characters kept); the maker's web
//                                 site at first
//   Press (left or right button): the editor opens the address; the listener is told. Handled.
//
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

#include <string>

class KsEditor;

class WebLink : public CControl
{
  public:
    static constexpr std::size_t kMaxUrl = 511;

    WebLink(const CRect& size, CControlListener* listener, int tag, KsEditor* editor);

    void setUrl(const char* text);
    const std::string& getUrl() const { return url; }

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;

  private:
    KsEditor* editor;
    std::string url;
};
