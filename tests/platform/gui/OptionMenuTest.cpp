// File dialogs answered through the headless back end's queue, and their filters.
#include "GuiTestSupport.h"

#include "platform/gui/CFileSelector.h"

#include <gtest/gtest.h>

using namespace guitest;

TEST(CFileSelector, ReturnsTheAnswerWithTheDefaultExtensionForSaves)
{
    // What, the style, the answer queued (nullopt: none), chosen, the path after.
    const std::tuple<const char*, CFileSelector::Style, std::optional<std::string>, bool, std::string>
        cases[] = {
            {"save adds the extension", CFileSelector::kSaveFile, "/data/My Bank", true, "/data/My Bank.fxb"},
            {"a dot in a folder is no extension", CFileSelector::kSaveFile, "/data/v1.2/name", true,
             "/data/v1.2/name.fxb"},
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
}

TEST(CFileSelector, ReadsTheTwoStringFilter)
{
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    const std::vector<std::pair<std::string, Pairs>> cases = {
        {std::string("fxb files (*.fxb)\0*.fxb\0\0", 25), {{"fxb files (*.fxb)", "*.fxb"}}},
        {std::string("A\0*.a\0B\0*.b;*.c\0\0", 18), {{"A", "*.a"}, {"B", "*.b;*.c"}}},
        {std::string("A\0*.a\0B", 7), {{"A", "*.a"}}}, // an unpaired tail
        {"", {}},
    };
    for (const auto& [filter, pairs] : cases)
        EXPECT_EQ(CFileSelector::parseFilter(filter), pairs);
}
