// The editor's file dialogs, shared by its controls (step patterns, presets, banks).
//
//   loadDialog(frame, ext, path)         "Load <ext> File", filter "<ext> files (*.<ext>)" for *.<ext>;
//                                        the chosen file must exist
//   loadDialog(frame, ext1, ext2, path)  "Load <ext1> or <ext2> File" with one filter per extension
//   saveDialog(frame, ext, path)         "Save <ext> File", the same filter, <ext> as the default
//                                        extension; asks before replacing a file
//   Each is owned by the frame's window, starts in the system's chosen folder and returns true
//   with the chosen path, or false (path untouched) when the user cancelled.
//   filterFor(ext)                       the filter text: description, NUL, pattern, NUL, NUL
//
// User-interface thread only.
#pragma once

#include <string>

class CFrame;

namespace filedialogs
{

bool loadDialog(CFrame& frame, const char* extension, std::string& path);
bool loadDialog(CFrame& frame, const char* extension1, const char* extension2, std::string& path);
bool saveDialog(CFrame& frame, const char* extension, std::string& path);
std::string filterFor(const char* extension);

} // namespace filedialogs
