#include "platform/gui/x11/DesktopDialogs.h"

#include "platform/gui/x11/ExternalProgram.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace gui::x11
{

namespace
{

// A dialog's answer is one path; anything longer than this is not one.
constexpr size_t maxDialogOutput = 64 * 1024;
// More filter entries than any dialog shows usefully; the rest of a longer string is ignored.
constexpr size_t maxFilterEntries = 64;

std::string trimmed(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::vector<std::string> splitPatterns(const std::string& text)
{
    std::vector<std::string> patterns;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = std::min(text.find(';', start), text.size());
        std::string pattern = trimmed(text.substr(start, end - start));
        if (pattern == "*.*") pattern = "*"; // a name needs no dot to match everything here
        bool usable = !pattern.empty() && pattern.find_first_of(" \t|\n") == std::string::npos;
        if (usable) patterns.push_back(pattern);
        start = end + 1;
    }
    return patterns;
}

// Descriptions become part of the tools' own filter syntax, where '|' and line ends separate fields.
std::string safeDescription(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '|' || c == '\n' || c == '\r'; }, '/');
    return text;
}

std::string joined(const std::vector<std::string>& parts, const char* separator)
{
    std::string out;
    for (const auto& part : parts)
        out += (out.empty() ? "" : separator) + part;
    return out;
}

} // namespace

std::vector<FilterEntry> dialogFilters(const std::string& filter)
{
    std::vector<FilterEntry> entries;
    for (const auto& [description, patterns] : CFileSelector::parseFilter(filter)) {
        if (entries.size() == maxFilterEntries) break;
        FilterEntry entry{safeDescription(description), splitPatterns(patterns)};
        if (!entry.patterns.empty()) entries.push_back(entry);
    }
    return entries;
}

std::vector<std::string> dialogArguments(DialogTool tool, const gui::FileDialogRequest& request)
{
    std::vector<FilterEntry> filters = dialogFilters(request.filter);
    std::vector<std::string> args;
    if (tool == DialogTool::zenity) {
        args = {"--file-selection", "--title=" + request.title};
        if (request.save) {
            args.push_back("--save");
            if (request.confirmOverwrite) args.push_back("--confirm-overwrite");
        }
        if (!request.initialFolder.empty()) args.push_back("--filename=" + request.initialFolder + "/");
        for (const auto& f : filters)
            args.push_back("--file-filter=" + f.description + " | " + joined(f.patterns, " "));
        return args;
    }
    args = {"--title", request.title, request.save ? "--getsavefilename" : "--getopenfilename",
            request.initialFolder.empty() ? "." : request.initialFolder};
    std::vector<std::string> lines;
    for (const auto& f : filters)
        lines.push_back(joined(f.patterns, " ") + "|" + f.description);
    if (!lines.empty()) args.push_back(joined(lines, "\n"));
    return args;
}

std::string chosenPath(const gui::FileDialogRequest& request, const std::string& output)
{
    std::string path = output.substr(0, output.find_first_of("\r\n"));
    if (path.empty() || path.find('\0') != std::string::npos) return {};
    if (request.save && !request.defaultExtension.empty()) {
        size_t slash = path.rfind('/');
        std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (name.empty()) return {}; // a folder is no file name
        if (name.find('.') == std::string::npos) path += "." + request.defaultExtension;
    }
    return path;
}

std::string runFileDialog(const gui::FileDialogRequest& request, int watchFd,
                          const std::function<void()>& onWatchFd)
{
    struct Candidate {
        const char* name;
        DialogTool tool;
    };
    for (Candidate candidate :
         {Candidate{"zenity", DialogTool::zenity}, Candidate{"kdialog", DialogTool::kdialog}}) {
        std::string program = findProgram(candidate.name);
        if (program.empty()) continue;
        std::vector<std::string> argv{program};
        for (auto& arg : dialogArguments(candidate.tool, request))
            argv.push_back(arg);
        ProgramResult result = runProgram(argv, maxDialogOutput, watchFd, onWatchFd);
        if (!result.started) {
            std::fprintf(stderr, "file dialog: could not start %s; dialog cancelled\n", program.c_str());
            return {};
        }
        // Both tools exit with 0 for a choice and 1 for cancel; anything else is a failure of the
        // tool, never a choice, whatever it printed. Where the status was lost, what the tool printed
        // decides: both print a path only for a choice.
        if (result.statusKnown && (!result.exitedNormally || result.exitStatus != 0)) return {};
        std::string path = chosenPath(request, result.output);
        // A file to load must exist; a dialog that accepts a typed name may answer with one that does not.
        std::error_code error;
        if (!request.save && request.mustExist && !path.empty() &&
            !std::filesystem::is_regular_file(path, error))
            return {};
        return path;
    }
    std::fprintf(stderr, "file dialog: neither zenity nor kdialog is installed; dialog cancelled\n");
    return {};
}

bool openDocument(const std::string& urlOrPath)
{
    std::string program = findProgram("xdg-open");
    if (program.empty()) {
        std::fprintf(stderr, "open: xdg-open is not installed; cannot open %s\n", urlOrPath.c_str());
        return false;
    }
    if (urlOrPath.empty()) return false;
    // A leading '-' would be read as an option of xdg-open rather than a document.
    std::string target = urlOrPath[0] == '-' ? "./" + urlOrPath : urlOrPath;
    return launchDetached({program, target});
}

} // namespace gui::x11
