// File helpers for the system's own files (banks, presets, the controller file).
//
//   readFile(path, maxSize, bytes)    reads a whole regular file; false if it cannot be opened
//                                     or read, or holds more than maxSize bytes
//   writeFileAtomically(path, data, size)
//                                     writes a temporary file in the same folder and renames it
//                                     over path only when every byte was written and flushed;
//                                     on any failure the temporary file is removed, the old file
//                                     stays as it was, and the result is false
//   listFiles(folder, extension)      names (without folder and extension) of the regular files
//                                     in folder whose extension is exactly extension, sorted
//   makeFolders(folder)               creates folder and its parents; true if it exists after
//   fileExists(path)                  true for an existing regular file
//   copyFileAtomically(from, to)      readFile + writeFileAtomically
//
// All of these allocate and do I/O: never call them on the audio thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace os
{

bool readFile(const std::string& path, size_t maxSize, std::vector<uint8_t>& bytes);
bool writeFileAtomically(const std::string& path, const void* data, size_t size);
std::vector<std::string> listFiles(const std::string& folder, const std::string& extension);
bool makeFolders(const std::string& folder);
bool fileExists(const std::string& path);
bool copyFileAtomically(const std::string& from, const std::string& to);

} // namespace os
