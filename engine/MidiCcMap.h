// MidiCcMap: the MIDI controller number learnt for each automatable parameter.
// Entry i belongs to parameter index i; -1 means no controller.
#pragma once

class MidiCcMap
{
  public:
    static constexpr int kMaxEntries = 512;
    static constexpr int kNameSize = 64; // 63 characters and the terminator

    struct Entry {
        char name[kNameSize];
        int controller;
    };

    // Empties the map.
    void clear() noexcept { count = 0; }
    // Appends an entry (name cut to 63 characters); ignored when the map is full.
    void add(const char* name, int controller) noexcept;
    // Sets the built-in controller of every entry that has one (see defaultController).
    void applyDefaults() noexcept;
    // Built-in controller of a parameter index, -1 when none.
    static int defaultController(int index) noexcept;
    // Controller of an entry, -1 for none or an index beyond count.
    int controllerOf(int index) const noexcept;
    // First entry below limit (and count) with that controller, -1 when none.
    int findParameter(int controller, int limit) const noexcept;

    Entry entries[kMaxEntries] = {};
    int count = 0;
};
