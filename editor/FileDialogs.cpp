#include "editor/FileDialogs.h"

#include "platform/gui/CFileSelector.h"
#include "platform/gui/CFrame.h"

namespace filedialogs
{

namespace
{

bool run(CFrame& frame, CFileSelector::Style style, const std::string& title, const std::string& filter,
         const char* defaultExtension, std::string& path)
{
    CFileSelector selector(frame, style);
    selector.setTitle(title);
    selector.setFilter(filter);
    if (defaultExtension) selector.setDefaultExtension(defaultExtension);
    selector.setInitialFolder("");
    selector.setConfirmOverwrite(true);
    return selector.run(path);
}

// The filter pair of one extension without the closing NUL.
std::string filterPair(const char* extension)
{
    const std::string ext = extension ? extension : "";
    std::string pair = ext + " files (*." + ext + ")";
    pair += '\0';
    pair += "*." + ext;
    pair += '\0';
    return pair;
}

} // namespace

std::string filterFor(const char* extension)
{
    return filterPair(extension) + '\0';
}

bool loadDialog(CFrame& frame, const char* extension, std::string& path)
{
    const std::string ext = extension ? extension : "";
    return run(frame, CFileSelector::kLoadFile, "Load " + ext + " File", filterFor(extension), nullptr, path);
}

bool loadDialog(CFrame& frame, const char* extension1, const char* extension2, std::string& path)
{
    const std::string a = extension1 ? extension1 : "";
    const std::string b = extension2 ? extension2 : "";
    return run(frame, CFileSelector::kLoadFile, "Load " + a + " or " + b + " File",
               filterPair(extension1) + filterPair(extension2) + '\0', nullptr, path);
}

bool saveDialog(CFrame& frame, const char* extension, std::string& path)
{
    const std::string ext = extension ? extension : "";
    return run(frame, CFileSelector::kSaveFile, "Save " + ext + " File", filterFor(extension), extension,
               path);
}

} // namespace filedialogs
