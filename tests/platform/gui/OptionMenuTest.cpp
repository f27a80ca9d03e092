// Popup menus and file dialogs answered through the headless back end's queues.
#include "GuiTestSupport.h"

#include "platform/gui/CFileSelector.h"
#include "platform/gui/COptionMenu.h"

#include <gtest/gtest.h>

using namespace guitest;

namespace
{

// "Open", "-", "Banks" > ("Bank A", "Bank B"), "Save" (checked)
std::unique_ptr<COptionMenu> sampleMenu(CControlListener* listener)
{
    auto menu = std::make_unique<COptionMenu>(CRect(), listener, 12, COptionMenu::kCheckStyle);
    menu->addEntry("Open");
    menu->addSeparator();
    auto* banks = new COptionMenu();
    banks->addEntry("Bank A");
    banks->addEntry("Bank B");
    menu->addEntry(banks, "Banks");
    menu->addEntry("Save", COptionMenu::kChecked);
    return menu;
}

} // namespace

TEST(COptionMenu, AnswersFromTheQueueNameTheEntryAndTheMenuItWasChosenIn)
{
    using V = std::vector<int>;
    // What, the answer queued (nullopt: none), chosen, the submenu chosen in (-1: the top menu), index.
    const std::tuple<const char*, std::optional<std::vector<int>>, bool, int, int> cases[] = {
        {"top entry", V{0}, true, -1, 0},
        {"last top entry", V{3}, true, -1, 3},
        {"submenu entry", V{2, 1}, true, 2, 1},
        {"cancel", V{}, false, -1, -1},
        {"nothing queued", std::nullopt, false, -1, -1},
        {"a separator", V{1}, false, -1, -1},
        {"the submenu's own entry", V{2}, false, -1, -1},
        {"past the end", V{4}, false, -1, -1},
        {"negative", V{-1}, false, -1, -1},
        {"past the submenu's end", V{2, 2}, false, -1, -1},
        {"into an entry without submenu", V{0, 0}, false, -1, -1},
        {"too deep", V{2, 1, 0}, false, -1, -1},
    };
    for (const auto& [name, answer, chosen, submenuOf, index] : cases) {
        SCOPED_TRACE(name);
        HeadlessFrame h;
        RecordingListener listener;
        auto menu = sampleMenu(&listener);
        if (answer) h.backend.queueMenuAnswer(*answer);
        EXPECT_EQ(menu->popup(*h.frame, {10, 10}), chosen);
        EXPECT_EQ(h.backend.pendingMenuAnswers(), 0u);
        int last = -7;
        COptionMenu* in = menu->getLastItemMenu(last);
        EXPECT_EQ(in, !chosen ? nullptr : submenuOf < 0 ? menu.get() : menu->getSubMenu(submenuOf));
        EXPECT_EQ(last, index);
        EXPECT_EQ(menu->getLastResult(), index);
        // Only a choice in the top menu makes it current and reaches the listener.
        const bool top = chosen && submenuOf < 0;
        EXPECT_EQ(listener.values.size(), top ? 1u : 0u);
        if (top) {
            EXPECT_EQ(menu->getCurrent(), index);
        }
    }
}

TEST(COptionMenu, ObserversSeeTheEntriesAndTheirMarksAsTheyOpen)
{
    HeadlessFrame h;
    std::string seen;
    h.backend.onMenuOpened = [&](const COptionMenu& menu, CPoint where) {
        seen = std::to_string(where.x) + "," + std::to_string(where.y);
        for (int i = 0; i < menu.getNbEntries(); ++i) {
            (seen += '|') += menu.getEntryText(i); // in steps: g++ 12 warns falsely (-Wrestrict) otherwise
            if (menu.isEntryChecked(i)) seen += '*';
            if (menu.getSubMenu(i)) (seen += '>') += std::to_string(menu.getSubMenu(i)->getNbEntries());
        }
    };
    auto menu = sampleMenu(nullptr);
    menu->setCurrent(0);
    menu->popup(*h.frame, {3, 4});
    EXPECT_EQ(seen, "3,4|Open*|-|Banks>2|Save*");
    menu->setStyle(COptionMenu::kNoStyle); // without check style the current entry carries no mark
    EXPECT_FALSE(menu->isEntryChecked(0));
    EXPECT_TRUE(menu->isSeparator(1));
    EXPECT_FALSE(menu->isSeparator(2));
    EXPECT_EQ(menu->getEntryText(99), "");
}

TEST(CFileSelector, ReturnsTheAnswerWithTheDefaultExtensionForSaves)
{
    // What, the style, the answer queued (nullopt: none), chosen, the path after.
    const std::tuple<const char*, CFileSelector::Style, std::optional<std::string>, bool, std::string>
        cases[] = {
            {"save adds the extension", CFileSelector::kSaveFile, "/data/My Bank", true, "/data/My Bank.fxb"},
            {"save keeps an extension", CFileSelector::kSaveFile, "/data/a.bank", true, "/data/a.bank"},
            {"a dot in a folder is no extension", CFileSelector::kSaveFile, "/data/v1.2/name", true,
             "/data/v1.2/name.fxb"},
            {"load keeps the name", CFileSelector::kLoadFile, "/data/name", true, "/data/name"},
            {"cancel", CFileSelector::kSaveFile, std::nullopt, false, "unchanged"},
            {"an empty answer is a cancel", CFileSelector::kLoadFile, "", false, "unchanged"},
            {"a folder is no file name", CFileSelector::kSaveFile, "/data/", false, "unchanged"},
        };
    for (const auto& [name, style, answer, chosen, expected] : cases) {
        SCOPED_TRACE(name);
        HeadlessFrame h;
        std::vector<gui::FileDialogRequest> opened;
        h.backend.onFileDialogOpened = [&](const gui::FileDialogRequest& r) { opened.push_back(r); };
        h.backend.queueFileAnswer(answer);
        CFileSelector selector(*h.frame, style);
        selector.setTitle("Save fxb File");
        selector.setFilter(std::string("fxb files (*.fxb)\0*.fxb\0\0", 25));
        selector.setDefaultExtension("fxb");
        std::string path = "unchanged";
        EXPECT_EQ(selector.run(path), chosen);
        EXPECT_EQ(path, expected);
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].save, style == CFileSelector::kSaveFile);
        EXPECT_EQ(opened[0].title, "Save fxb File");
        EXPECT_EQ(opened[0].filter.size(), 25u);
    }
    // With nothing queued the dialog is cancelled.
    HeadlessFrame h;
    CFileSelector selector(h.backend, CFileSelector::kLoadFile);
    std::string path;
    EXPECT_FALSE(selector.run(path));
}

TEST(CFileSelector, ReadsTheTwoStringFilter)
{
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    const std::vector<std::pair<std::string, Pairs>> cases = {
        {std::string("fxb files (*.fxb)\0*.fxb\0\0", 25), {{"fxb files (*.fxb)", "*.fxb"}}},
        {std::string("A\0*.a\0B\0*.b;*.c\0\0", 18), {{"A", "*.a"}, {"B", "*.b;*.c"}}},
        {std::string("A\0*.a", 5), {{"A", "*.a"}}},    // no closing NULs
        {std::string("A\0*.a\0B", 7), {{"A", "*.a"}}}, // an unpaired tail
        {std::string("A\0\0", 3), {}},                 // a description without patterns
        {"", {}},
    };
    for (const auto& [filter, pairs] : cases)
        EXPECT_EQ(CFileSelector::parseFilter(filter), pairs);
}
