#include "platform/gui/x11/ExternalProgram.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gui::x11
{

namespace
{

// The argument vector in the form exec wants, built before fork: the child may only call
// async-signal-safe functions, so it must not allocate.
struct ArgumentVector {
    std::vector<std::string> strings;
    std::vector<char*> pointers;

    explicit ArgumentVector(const std::vector<std::string>& argv) : strings(argv)
    {
        for (auto& s : strings)
            pointers.push_back(s.data());
        pointers.push_back(nullptr);
    }
};

// In a child after fork: standard input (and output when outFd < 0) from /dev/null, every descriptor
// of the host beyond the standard three closed, then exec. Never returns.
[[noreturn]] void execChild(const ArgumentVector& args, int outFd)
{
    int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
        dup2(devNull, STDIN_FILENO);
        if (outFd < 0) dup2(devNull, STDOUT_FILENO);
    }
    if (outFd >= 0) dup2(outFd, STDOUT_FILENO);
    close_range(3, ~0U, 0);
    execv(args.pointers[0], args.pointers.data());
    _exit(127);
}

// The child's status; false when it cannot be had (ECHILD: the system reaped the child already).
bool waitForChild(pid_t pid, int& status)
{
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

} // namespace

std::string findProgram(const std::string& name)
{
    if (name.empty() || name.find('/') != std::string::npos) return {};
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string folders = path;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        // Only absolute folders: an empty or relative entry would run whatever lies in the host's
        // current folder.
        if (end > start && folders[start] == '/') {
            std::string candidate = folders.substr(start, end - start);
            candidate += '/';
            candidate += name;
            struct stat info {
            };
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

ProgramResult runProgram(const std::vector<std::string>& argv, size_t maxOutput, int watchFd,
                         const std::function<void()>& onWatchFd)
{
    ProgramResult result;
    if (argv.empty() || argv[0].empty()) return result;
    ArgumentVector args(argv);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return result;
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return result;
    }
    if (pid == 0) execChild(args, fds[1]);
    close(fds[1]);
    result.started = true;

    char buffer[4096];
    for (;;) {
        pollfd watched[2] = {{fds[0], POLLIN, 0}, {watchFd, POLLIN, 0}};
        int count = (watchFd >= 0 && onWatchFd) ? 2 : 1;
        if (poll(watched, count, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (count == 2 && (watched[1].revents & POLLIN)) onWatchFd();
        if (count == 2 && (watched[1].revents & (POLLHUP | POLLERR | POLLNVAL)))
            watchFd = -1; // the display connection is gone; keep reading the program alone
        if (watched[0].revents == 0) continue;
        ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        size_t room = maxOutput - std::min(maxOutput, result.output.size());
        result.output.append(buffer, std::min(room, static_cast<size_t>(n)));
    }
    close(fds[0]);

    int status = 0;
    if (waitForChild(pid, status)) {
        result.statusKnown = true;
        result.exitedNormally = WIFEXITED(status);
        result.exitStatus = result.exitedNormally ? WEXITSTATUS(status) : -1;
    }
    return result;
}

bool launchDetached(const std::vector<std::string>& argv)
{
    if (argv.empty() || argv[0].empty()) return false;
    ArgumentVector args(argv);
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        // The intermediate child starts the program in a new session and leaves at once, so the
        // program is adopted by init and the host never sees it as a child of its own.
        setsid();
        pid_t grandchild = fork();
        if (grandchild == 0) execChild(args, -1);
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    if (!waitForChild(pid, status)) return true; // reaped by the system: it ran, and it left at once
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace gui::x11
