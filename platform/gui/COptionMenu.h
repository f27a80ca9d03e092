// COptionMenu: a popup menu of text entries, separators, check marks and submenus.
//
// COptionMenu(size, listener, tag, style)
//   addEntry(text, flags)         appends an entry; the text "-" makes a separator; returns its
//                                 index (entries are counted with the separators)
//   addEntry(submenu, text)       appends an entry that opens submenu; the menu takes ownership
//   addSeparator()                appends a separator
//   getNbEntries(), getEntryText(i), isSeparator(i), getSubMenu(i)
//   checkEntry(i, on), isChecked(i)
//                                 the entry's own check mark
//   setCurrent(i), getCurrent()   the current entry: preselected when the menu opens and, with
//                                 kCheckStyle, shown checked
//   isEntryChecked(i)             what the user sees: the entry's mark, or being the current
//                                 entry of a kCheckStyle menu
//   setNbItemsPerColumn(n)        at most n entries per column (0: one column)
//   popup(frame, where)           shows the menu at where (frame pixels) and returns when the user
//                                 chose an entry (true) or cancelled (false). A choice in this
//                                 menu makes that entry current, sets the value to its index and
//                                 tells the listener; a choice in a submenu is reported through
//                                 getLastItemMenu
//   getLastResult()               index of the last chosen entry in the menu it was chosen in,
//                                 -1 after a cancel
//   getLastItemMenu(index)        the menu (this one or a submenu at any depth) in which the last
//                                 choice was made, its entry index in index; nullptr after a cancel
//   resolveChoice(path)           the entry that a path of entry indices names, from this menu
//                                 down through submenus; nullptr menu when the path does not end
//                                 on a choosable entry (out of range, a separator, a submenu)
//
// A menu is built for one popup and deleted after it. User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

#include <memory>
#include <string>
#include <vector>

class CFrame;

class COptionMenu : public CControl
{
  public:
    enum Style { kNoStyle = 0, kCheckStyle = 1 };
    enum EntryFlags { kNoFlags = 0, kChecked = 1, kDisabled = 2 };

    explicit COptionMenu(const CRect& size = {}, CControlListener* listener = nullptr, int tag = -1,
                         int style = kNoStyle);
    ~COptionMenu() override;

    int addEntry(const std::string& text, int flags = kNoFlags);
    int addEntry(COptionMenu* submenu, const std::string& text);
    int addSeparator() { return addEntry("-"); }
    void removeAllEntries();

    int getNbEntries() const { return int(entries.size()); }
    const std::string& getEntryText(int index) const;
    bool isSeparator(int index) const;
    bool isDisabled(int index) const;
    COptionMenu* getSubMenu(int index) const;
    void checkEntry(int index, bool checked);
    bool isChecked(int index) const;
    bool isEntryChecked(int index) const;

    void setCurrent(int index);
    int getCurrent() const { return current; }
    void setStyle(int s) { style = s; }
    int getStyle() const { return style; }
    void setNbItemsPerColumn(int n) { itemsPerColumn = n < 0 ? 0 : n; }
    int getNbItemsPerColumn() const { return itemsPerColumn; }

    bool popup(CFrame& frame, CPoint where);
    int getLastResult() const { return lastResult; }
    COptionMenu* getLastItemMenu(int& index) const;

    struct Choice {
        COptionMenu* menu = nullptr;
        int index = -1;
    };
    Choice resolveChoice(const std::vector<int>& path);

    void draw(CDrawContext& context) override;

  private:
    struct Entry {
        std::string text;
        int flags = kNoFlags;
        std::unique_ptr<COptionMenu> submenu;
    };
    bool validIndex(int index) const { return index >= 0 && index < int(entries.size()); }

    std::vector<Entry> entries;
    int style = kNoStyle;
    int current = -1;
    int itemsPerColumn = 0;
    int lastResult = -1;
    COptionMenu* lastMenu = nullptr;
};
