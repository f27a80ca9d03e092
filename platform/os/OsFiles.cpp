#include "platform/os/OsFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace os
{

bool readFile(const std::string& path, size_t maxSize, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {
    };
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    // Read one byte past the limit so that an oversized file is recognised whatever its
    // reported size.
    bytes.resize(std::min<size_t>(static_cast<size_t>(info.st_size), maxSize) + 1);
    size_t filled = 0;
    bool ok = true;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (got == 0) break;
        filled += static_cast<size_t>(got);
        if (filled == bytes.size() && filled <= maxSize)
            bytes.resize(std::min(bytes.size() * 2, maxSize + 1));
    }
    ::close(fd);
    if (!ok || filled > maxSize) {
        bytes.clear();
        return false;
    }
    bytes.resize(filled);
    return true;
}

static bool writeAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (put == 0) return false;
        data += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size)
{
    if (path.empty() || (size > 0 && !data)) return false;
    std::string temp = path + ".tmp-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = writeAll(fd, static_cast<const uint8_t*>(data), size);
    ok = ok && ::fsync(fd) == 0;
    // mkstemp creates the file private to the user; give it the usual permissions of a
    // document so that it looks like any other saved file.
    ok = ok && ::fchmod(fd, 0644) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

std::vector<std::string> listFiles(const std::string& folder, const std::string& extension)
{
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) return names;
    const std::string suffix = "." + extension;
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) break;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (name.size() <= suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        names.push_back(name.substr(0, name.size() - suffix.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool makeFolders(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

bool fileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

bool copyFileAtomically(const std::string& from, const std::string& to)
{
    std::vector<uint8_t> bytes;
    constexpr size_t limit = 64u << 20;
    return readFile(from, limit, bytes) && writeFileAtomically(to, bytes.data(), bytes.size());
}

} // namespace os
