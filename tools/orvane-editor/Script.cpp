#include "Script.h"

#include "host/HostShell.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace editortool
{

namespace
{

std::vector<std::string> splitWords(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word) {
        if (word[0] == '#') break;
        words.push_back(word);
    }
    return words;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

[[noreturn]] void fault(int line, const std::string& what)
{
    throw host::UsageError{"line " + std::to_string(line) + ": " + what};
}

long long integer(int line, const std::string& word, long long low, long long high)
{
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
        fault(line, "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                        ", got '" + word + "'");
    return value;
}

double number(int line, const std::string& word, double low, double high)
{
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value) || value < low ||
        value > high)
        fault(line, "expected a number from " + std::to_string(low) + " to " + std::to_string(high) +
                        ", got '" + word + "'");
    return value;
}

} // namespace

std::vector<Command> parseScript(const std::string& text)
{
    constexpr long long kCoordinate = 1000000;
    std::vector<Command> commands;
    std::istringstream in(text);
    std::string line;
    for (int number_ = 1; std::getline(in, line); ++number_) {
        const std::vector<std::string> words = splitWords(line);
        if (words.empty()) continue;
        Command c;
        c.line = number_;
        c.name = words[0];
        const std::size_t args = words.size() - 1;
        const auto expect = [&](std::size_t low, std::size_t high) {
            if (args < low || args > high) fault(c.line, "wrong number of arguments for '" + c.name + "'");
        };
        if (c.name == "down" || c.name == "move" || c.name == "up") {
            expect(3, 3);
            c.values = {integer(c.line, words[1], -kCoordinate, kCoordinate),
                        integer(c.line, words[2], -kCoordinate, kCoordinate),
                        integer(c.line, words[3], 0, 255)};
        } else if (c.name == "hover") {
            expect(2, 2);
            c.values = {integer(c.line, words[1], -kCoordinate, kCoordinate),
                        integer(c.line, words[2], -kCoordinate, kCoordinate)};
        } else if (c.name == "leave" || c.name == "close" || c.name == "open" || c.name == "params" ||
                   c.name == "display" || c.name == "host-log") {
            expect(0, 0);
        } else if (c.name == "idle") {
            expect(0, 1);
            c.values = {args ? integer(c.line, words[1], 0, 1000000) : 1};
        } else if (c.name == "wait") {
            expect(1, 1);
            c.values = {integer(c.line, words[1], 0, 86400000)};
        } else if (c.name == "menu") {
            expect(1, 2);
            if (words[1] == "cancel" && args == 1)
                c.cancel = true;
            else
                for (std::size_t i = 1; i <= args; ++i)
                    c.values.push_back(integer(c.line, words[i], 0, 100000));
        } else if (c.name == "file" || c.name == "snapshot") {
            // The rest of the line after the command word is the path, spaces and all.
            const std::size_t at = line.find(c.name) + c.name.size();
            c.text = trimmed(line.substr(at));
            if (c.text.empty()) fault(c.line, "'" + c.name + "' needs a path");
            c.cancel = c.name == "file" && c.text == "cancel";
        } else if (c.name == "control") {
            expect(1, 1);
            c.text = words[1];
        } else if (c.name == "host") {
            expect(2, 2);
            c.text = words[1];
            c.amount = number(c.line, words[2], 0.0, 1.0);
        } else if (c.name == "program") {
            expect(1, 1);
            c.values = {integer(c.line, words[1], 0, 63)};
        } else if (c.name == "process") {
            expect(2, 2);
            c.values = {integer(c.line, words[1], 0, 48000LL * 3600)};
            c.amount = number(c.line, words[2], 0.0, 1000.0);
        } else {
            fault(c.line, "unknown command '" + c.name + "'");
        }
        commands.push_back(std::move(c));
    }
    return commands;
}

} // namespace editortool
