// The file dialog: request set-up, the default extension, and reading the two-string filter.
#include "platform/gui/CFileSelector.h"

#include "platform/gui/CFrame.h"

CFileSelector::CFileSelector(CFrame& frame, Style style) : backend(frame.getBackend()), owner(&frame)
{
    request.save = style == kSaveFile;
    request.mustExist = !request.save;
}

CFileSelector::CFileSelector(gui::Backend& b, Style style) : backend(b)
{
    request.save = style == kSaveFile;
    request.mustExist = !request.save;
}

bool CFileSelector::run(std::string& path)
{
    std::optional<std::string> chosen = backend.fileDialog(owner, request);
    if (!chosen || chosen->empty()) return false;
    std::string result = *chosen;
    if (request.save && !request.defaultExtension.empty()) {
        // Only the name after the last folder separator counts when looking for an extension.
        const size_t slash = result.find_last_of("/\\");
        const std::string name = slash == std::string::npos ? result : result.substr(slash + 1);
        if (name.empty()) return false;
        if (name.find('.') == std::string::npos) result += "." + request.defaultExtension;
    }
    path = result;
    return true;
}

std::vector<std::pair<std::string, std::string>> CFileSelector::parseFilter(const std::string& filter)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t at = 0;
    while (at < filter.size()) {
        const size_t descriptionEnd = filter.find('\0', at);
        if (descriptionEnd == at || descriptionEnd == std::string::npos) break; // the closing NUL, or no pair
        const size_t patternEnd = filter.find('\0', descriptionEnd + 1);
        if (patternEnd == descriptionEnd + 1) break;
        const std::string description = filter.substr(at, descriptionEnd - at);
        const std::string patterns = filter.substr(descriptionEnd + 1, patternEnd == std::string::npos
                                                                           ? std::string::npos
                                                                           : patternEnd - descriptionEnd - 1);
        pairs.emplace_back(description, patterns);
        if (patternEnd == std::string::npos) break;
        at = patternEnd + 1;
    }
    return pairs;
}
