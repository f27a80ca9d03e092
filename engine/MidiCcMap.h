// MidiCcMap: the MIDI controller number learnt for each automatable parameter.
// Entry i belongs to parameter index i; -1 means no controller.
#pragma once

#include <atomic>
#include <cstddef>

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

    // MIDI learn: every entry holding the controller loses it (a controller drives at most one
    // parameter), then entry target gets it (when target is below kMaxEntries). A learn that
    // changes an assignment marks the map as unsaved.
    void learn(int controller, int target) noexcept;
    // Reads "MidiConfig.txt": count restarts at 0; each whitespace-delimited word names entry
    // count (cut to 63 characters) and the integer after it becomes its controller when it lies
    // in -32768..32768 (otherwise the entry keeps its controller). Stops at the end or after
    // kMaxEntries entries. A file that cannot be opened, or that is malformed (a name without a
    // number, a number run into other text, no line at all), leaves the map unchanged (false).
    bool load(const char* path);
    // The same reading over text in memory.
    bool parse(const char* text, std::size_t size);
    // Writes one "name controller" line per entry. The file is replaced only when every byte
    // was written (a temporary file renamed over it); false on failure or when count is below 1.
    // Allocates and does I/O: never on the audio thread.
    bool save(const char* path);
    // save, but only when a learnt assignment changed the map since it was read or last saved;
    // true when there was nothing to write.
    bool saveChanges(const char* path);

    Entry entries[kMaxEntries] = {};
    int count = 0;

  private:
    template <class Source> bool parseFrom(Source& source);

    // Set by a learn that changed an assignment, cleared by a successful save. Learning may
    // run on the audio thread while another thread saves.
    std::atomic<bool> unsaved{false};
};
