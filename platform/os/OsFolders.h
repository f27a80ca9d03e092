// Folders the system finds through the operating system.
//
//   commonDataFolder()   the per-user application-data folder: $XDG_DATA_HOME, else
//                        <home>/.local/share with <home> from $HOME or, without it, from the
//                        password database; "" when there is no home (never the current
//                        folder: relative values are ignored); no trailing separator
//   modulePath()         full path of the module (shared object or executable) that contains
//                        this code, from dladdr, falling back to /proc/self/exe; "" if unknown
//   moduleFolder(path)   the folder part of a module path (cut at the last '/')
//   moduleBaseName(path) the file name of a module path without its extension
//   factoryFolders()     folders that may hold the installed factory content, in the order they
//                        are tried: the module's folder (a plug-in bundle), <module folder>/../share/
//                        orvane, then <module folder>/../data (the build tree);
//                        $ORVANE_FACTORY_DIR, when set, is the only one, then the module
//                        folder itself (an LV2 bundle)
//   pathSeparator        '/'
//
// All of these allocate; call them at construction or from the user-interface thread only.
#pragma once

#include <string>
#include <vector>

namespace os
{

constexpr char pathSeparator = '/';

std::string commonDataFolder();
std::string modulePath();
std::string moduleFolder(const std::string& modulePath);
std::string moduleBaseName(const std::string& modulePath);
std::vector<std::string> factoryFolders();

} // namespace os
