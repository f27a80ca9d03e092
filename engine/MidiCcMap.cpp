#include "engine/MidiCcMap.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
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
    const bool toTarget = target >= 0 && target < kMaxEntries;
    bool changed = false;
    for (int i = 0; i < count; ++i)
        if (entries[i].controller == controller && !(toTarget && i == target)) {
            entries[i].controller = -1;
            changed = true;
        }
    if (toTarget && entries[target].controller != controller) {
        entries[target].controller = controller;
        changed = true;
    }
    if (changed) unsaved.store(true, std::memory_order_relaxed);
}

namespace
{

// Reads the controller file's words and numbers from any byte source into entries and count;
// next() gives the next byte or -1 at the end, peek() the same without consuming it. False when
// the text is not a list of "name number" lines: a name without a number after it, a number
// run into other text, or no line at all.
template <class Source> bool parseConfig(MidiCcMap::Entry* entries, int& count, Source& in)
{
    auto skipSpace = [&] {
        while (in.peek() >= 0 && std::isspace(in.peek())) in.next();
    };
    count = 0;
    while (count < MidiCcMap::kMaxEntries) {
        skipSpace();
        if (in.peek() < 0) break;
        MidiCcMap::Entry& entry = entries[count];
        int length = 0;
        while (in.peek() >= 0 && !std::isspace(in.peek())) {
            const int c = in.next();
            if (length < MidiCcMap::kNameSize - 1) entry.name[length++] = static_cast<char>(c);
        }
        entry.name[length] = 0;

        // The number: optional sign and digits, ended by white space or the end of the text.
        // Overlong numbers saturate, which puts them out of range: such an entry keeps its
        // controller.
        skipSpace();
        long long value = 0;
        bool negative = false;
        if (in.peek() == '+' || in.peek() == '-') {
            negative = in.next() == '-';
        }
        int digits = 0;
        while (in.peek() >= 0 && std::isdigit(in.peek())) {
            value = value * 10 + (in.next() - '0');
            if (value > 1000000) value = 1000000;
            ++digits;
        }
        if (digits == 0 || (in.peek() >= 0 && !std::isspace(in.peek()))) return false;
        if (negative) value = -value;
        if (value >= -32768 && value <= 32768) entry.controller = static_cast<int>(value);
        ++count;
    }
    return count > 0;
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

template <class Source> bool MidiCcMap::parseFrom(Source& source)
{
    // Read into a copy, so that a malformed file leaves the map as it was.
    auto read = std::make_unique<Entry[]>(kMaxEntries);
    std::copy(entries, entries + kMaxEntries, read.get());
    int readCount = 0;
    if (!parseConfig(read.get(), readCount, source)) return false;
    std::copy(read.get(), read.get() + kMaxEntries, entries);
    count = readCount;
    return true;
}

bool MidiCcMap::parse(const char* text, std::size_t size)
{
    MemorySource source{reinterpret_cast<const unsigned char*>(text), text ? size : 0};
    return parseFrom(source);
}

bool MidiCcMap::load(const char* path)
{
    if (!path || !path[0]) return false;
    std::FILE* file = std::fopen(path, "r");
    if (!file) return false;
    FileSource source{file};
    const bool ok = parseFrom(source);
    std::fclose(file);
    return ok;
}

bool MidiCcMap::saveChanges(const char* path)
{
    if (!unsaved.load(std::memory_order_relaxed)) return true;
    return save(path);
}

bool MidiCcMap::save(const char* path)
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
    if (ok) unsaved.store(false, std::memory_order_relaxed);
    return ok;
}
