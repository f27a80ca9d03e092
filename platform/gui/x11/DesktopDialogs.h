// File dialogs and opening URLs through the desktop's programs.
//
// A file dialog runs `zenity` (tried first) or `kdialog`, whichever is on $PATH, and reads the chosen
// path from its standard output. With neither installed, one line on standard error says so and the
// dialog counts as cancelled. URLs and files are handed to `xdg-open`, detached.
//
//   dialogFilters(filter)         the (description, patterns) entries of a filter string in the
//                                 NUL-separated form "Text\0*.a;*.b\0Text 2\0*.c\0\0", made safe for
//                                 the tools' own filter syntax; entries without a usable pattern dropped
//   dialogArguments(tool, request) the argument vector (after the program's path) for that tool
//   chosenPath(request, output)   the path a dialog printed, with its trailing line end removed and,
//                                 when saving a name without extension, the default extension added
//   runFileDialog(request, ...)   shows the dialog and waits; the path, or "" when cancelled
//   openDocument(urlOrPath)       hands a URL or file to xdg-open; false when it could not be started
//
// Everything here runs on the user-interface thread; a dialog blocks its caller until it closes.
#pragma once

#include "platform/gui/CFileSelector.h"

#include <functional>
#include <string>
#include <vector>

namespace gui::x11
{

struct FilterEntry {
    std::string description;
    std::vector<std::string> patterns; // "*.fxb"; "*.*" becomes "*"
};

enum class DialogTool { zenity, kdialog };

std::vector<FilterEntry> dialogFilters(const std::string& filter);
std::vector<std::string> dialogArguments(DialogTool tool, const gui::FileDialogRequest& request);
std::string chosenPath(const gui::FileDialogRequest& request, const std::string& output);
std::string runFileDialog(const gui::FileDialogRequest& request, int watchFd = -1,
                          const std::function<void()>& onWatchFd = {});
bool openDocument(const std::string& urlOrPath);

} // namespace gui::x11
