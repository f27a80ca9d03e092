// The script of orvane-editor: one command per line, words separated by spaces, '#' starting a
// comment; "file" and "snapshot" take the rest of the line as a path.
#pragma once

#include <string>
#include <vector>

namespace editortool
{

struct Command {
    int line = 0;
    std::string name;              // "down", "idle", "menu", ...
    std::vector<long long> values; // the numbers, in order (menu: item indices)
    std::string text;              // host, control: parameter name; file, snapshot: the path
    double amount = 0.0;           // host: the value; process: the amplitude
    bool cancel = false;           // menu cancel, file cancel
};

// Parses the whole script; throws host::UsageError naming the line of the first fault.
std::vector<Command> parseScript(const std::string& text);

} // namespace editortool
