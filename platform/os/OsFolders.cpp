#include "platform/os/OsFolders.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace os
{

static bool nonEmpty(const char* text)
{
    return text && text[0];
}

// The user's home folder from the password database, for processes started without HOME.
static std::string homeFromPasswordDatabase()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0) size = 16384;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    passwd entry{};
    passwd* found = nullptr;
    while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    // Only an absolute folder: a relative one would name a place under the current folder.
    if (!found || !found->pw_dir || found->pw_dir[0] != '/') return {};
    return found->pw_dir;
}

std::string commonDataFolder()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); nonEmpty(xdg) && xdg[0] == '/') return xdg;
    std::string home;
    if (const char* fromEnvironment = std::getenv("HOME");
        nonEmpty(fromEnvironment) && fromEnvironment[0] == '/')
        home = fromEnvironment;
    else
        home = homeFromPasswordDatabase();
    if (home.empty()) return {};
    return home + "/.local/share";
}

// Any function of this module serves as the address whose containing object dladdr names.
std::string modulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&modulePath), &info) && nonEmpty(info.dli_fname)) {
        const std::string name = info.dli_fname;
        // The main executable may be reported by its bare name; /proc/self/exe is exact then.
        if (name.find('/') != std::string::npos) {
            char resolved[PATH_MAX];
            if (realpath(name.c_str(), resolved)) return resolved;
            return name;
        }
    }
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    return std::string(buffer, static_cast<size_t>(length));
}

std::string moduleFolder(const std::string& path)
{
    const size_t slash = path.rfind(pathSeparator);
    if (slash == std::string::npos) return {};
    return path.substr(0, slash);
}

std::string moduleBaseName(const std::string& path)
{
    const size_t slash = path.rfind(pathSeparator);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

std::vector<std::string> factoryFolders()
{
    std::vector<std::string> folders;
    // The override replaces the search, so that a test or a packager decides alone.
    if (const char* overrideDir = std::getenv("ORVANE_FACTORY_DIR"); nonEmpty(overrideDir)) {
        folders.emplace_back(overrideDir);
        return folders;
    }
    const std::string folder = moduleFolder(modulePath());
    if (!folder.empty()) {
        folders.push_back(folder); // a plug-in bundle carries its content beside the module
        folders.push_back(folder + "/../share/orvane");
        folders.push_back(folder + "/../data");
        // A plug-in bundle (LV2) carries its factory content beside the module.
        folders.push_back(folder);
    }
    return folders;
}

} // namespace os
