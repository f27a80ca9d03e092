#include "engine/MidiCcMap.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace
{

// Built-in assignments: parameter indices first..last get controller index + offset.
struct DefaultRange {
    int first, last, offset;
};
constexpr DefaultRange kDefaultRanges[] = {
    {0, 0, 21},    // "TranceGateOn" 21
    {1, 17, 30},   // "PanOn" .. "CutoffModRateSync" 31..47
    {18, 20, 10},  // "DistOn", "DistXcita", "DistSoftSat" 28..30
    {21, 36, 27},  // "FlangerOn" .. "ReverbSize" 48..63
    {37, 39, -19}, // "MasterOn", "MasterMix", "MasterVolume" 18..20
    {40, 41, -24}, // "MorphXParam", "MorphYParam" 16, 17
    {42, 47, -20}, // "SeqAttack" .. "SeqVolMode" 22..27
    {52, 83, 12},  // pattern 1 step volumes and ties 64..95
};

} // namespace

void MidiCcMap::add(const char* name, int controller) noexcept
{
    if (count >= kMaxEntries) return;
    Entry& e = entries[count++];
    std::snprintf(e.name, sizeof e.name, "%s", name ? name : "");
    e.controller = controller;
}

int MidiCcMap::defaultController(int index) noexcept
{
    for (const DefaultRange& r : kDefaultRanges)
        if (index >= r.first && index <= r.last) return index + r.offset;
    return -1;
}

void MidiCcMap::applyDefaults() noexcept
{
    for (int i = 0; i < count; ++i) {
        const int c = defaultController(i);
        if (c >= 0) entries[i].controller = c;
    }
}

int MidiCcMap::controllerOf(int index) const noexcept
{
    return index >= 0 && index < count ? entries[index].controller : -1;
}

int MidiCcMap::findParameter(int controller, int limit) const noexcept
{
    const int end = limit < count ? limit : count;
    for (int i = 0; i < end; ++i)
        if (entries[i].controller == controller) return i;
    return -1;
}

// ---- MIDI learn and "MidiConfig.txt" ---------------------------------------------------------


void MidiCcMap::learn(int controller, int target) noexcept
{
    for (int i = 0; i < count; ++i)
        if (entries[i].controller == controller) entries[i].controller = -1;
    if (target >= 0 && target < kMaxEntries) entries[target].controller = controller;
}

namespace
{

// Reads the controller file's words and numbers from any byte source; next() gives the next
// byte or -1 at the end, peek() the same without consuming it.
template <class Source> void parseConfig(MidiCcMap& map, Source& in)
{
    auto skipSpace = [&] {
        while (in.peek() >= 0 && std::isspace(in.peek())) in.next();
    };
    map.count = 0;
    while (map.count < MidiCcMap::kMaxEntries) {
        skipSpace();
        if (in.peek() < 0) break;
        MidiCcMap::Entry& entry = map.entries[map.count];
        int length = 0;
        while (in.peek() >= 0 && !std::isspace(in.peek())) {
            const int c = in.next();
            if (length < MidiCcMap::kNameSize - 1) entry.name[length++] = static_cast<char>(c);
        }
        entry.name[length] = 0;

        // The number: optional sign and digits; anything else counts as 0 and is left for the
        // next word. Overlong numbers saturate, which puts them out of range.
        skipSpace();
        long long value = 0;
        bool negative = false;
        if (in.peek() == '+' || in.peek() == '-') {
            negative = in.next() == '-';
        }
        while (in.peek() >= 0 && std::isdigit(in.peek())) {
            value = value * 10 + (in.next() - '0');
            if (value > 1000000) value = 1000000;
        }
        if (negative) value = -value;
        if (value >= -32768 && value <= 32768) entry.controller = static_cast<int>(value);
        ++map.count;
    }
}

struct MemorySource {
    const unsigned char* data;
    std::size_t size;
    std::size_t position = 0;
    int peek() const { return position < size ? data[position] : -1; }
    int next() { return position < size ? data[position++] : -1; }
};

struct FileSource {
    std::FILE* file;
    int peek()
    {
        const int c = std::getc(file);
        if (c != EOF) std::ungetc(c, file);
        return c == EOF ? -1 : c;
    }
    int next()
    {
        const int c = std::getc(file);
        return c == EOF ? -1 : c;
    }
};

} // namespace

void MidiCcMap::parse(const char* text, std::size_t size)
{
    MemorySource source{reinterpret_cast<const unsigned char*>(text), text ? size : 0};
    parseConfig(*this, source);
}

bool MidiCcMap::load(const char* path)
{
    if (!path) return false;
    std::FILE* file = std::fopen(path, "r");
    if (!file) return false;
    FileSource source{file};
    parseConfig(*this, source);
    std::fclose(file);
    return true;
}

bool MidiCcMap::save(const char* path) const
{
    if (!path || !path[0] || count < 1) return false;
    std::string text;
    char line[kNameSize + 32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "%s %d\n", entries[i].name, entries[i].controller);
        text += line;
    }
    // A name unique to this write, so that two instances saving at once never share a file.
    static std::atomic<unsigned> serial{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string temp = std::string(path) + ".tmp" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) +
                             "-" + std::to_string(serial++) + "-" + std::to_string(stamp);
    std::FILE* file = std::fopen(temp.c_str(), "w");
    if (!file) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path) == 0;
    if (!ok) std::remove(temp.c_str());
    return ok;
}
