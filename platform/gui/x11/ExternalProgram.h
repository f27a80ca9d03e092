// Running the desktop's own programs from the user-interface thread: file dialogs (zenity or kdialog)
// and opening a URL or file (xdg-open). Programs are started with fork and exec from an argument
// vector, never through a shell, so no text a user or a skin supplies is ever parsed as a command.
//
//   findProgram(name)               full path of an executable file called name in an absolute folder
//                                   of $PATH; "" when there is none (or name holds a '/')
//   runProgram(argv, maxOutput, ..) starts argv[0] (a full path), reads its standard output until it
//                                   closes (at most maxOutput bytes are kept) and waits for the program;
//                                   while waiting, a ready watchFd calls onWatchFd (used to keep the
//                                   editor's window painted while a dialog is up)
//   launchDetached(argv)            starts argv[0] (a full path) in a session of its own and returns at
//                                   once; the program is not our child, so it leaves no zombie behind
//
// All of these allocate; call them on the user-interface thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace gui::x11
{

// What a finished program left: whether it could be started, how it ended, what it printed.
struct ProgramResult {
    bool started = false;
    // False when the status could not be collected: a host that ignores SIGCHLD has its children
    // reaped by the system, so their status is lost.
    bool statusKnown = false;
    bool exitedNormally = false;
    int exitStatus = -1;
    std::string output;
};

std::string findProgram(const std::string& name);
ProgramResult runProgram(const std::vector<std::string>& argv, size_t maxOutput, int watchFd = -1,
                         const std::function<void()>& onWatchFd = {});
bool launchDetached(const std::vector<std::string>& argv);

} // namespace gui::x11
