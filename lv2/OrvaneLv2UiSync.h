// OrvaneLv2UiSync: decides what the user interface tells the host after the editor acted: which
// control ports get a write_function call (with which port value) and which gestures become
// touch calls. It knows nothing of X or the editor; OrvaneLv2Ui feeds it.
//
//   portEvent(port, value)        the host's value of a control port (what it holds)
//   beginAction(parameters)       before the editor's idle: the 344 stored parameters (normalised)
//   written(index, normalised)    an automated write the editor made during the idle, with the
//                                 parameter's value after it (any index; stored ones count)
//   gesture(index, begins)        a gesture the editor began or ended during the idle
//   endAction(parameters)         after the idle: the parameters now; hands everything to the host
//   deferred(index, normalised)   an automated write made outside the editor's idle (a MIDI
//                                 program change, a state restore): written when the port holds
//                                 another value
//
// Rules of endAction, in the order of what happened:
//   - gestures of stored parameters become touch calls;
//   - when the idle wrote one stored parameter, each of its writes becomes a write call;
//   - when it wrote several (a program change, randomise, bank or preset load), each of them is
//     written once, and only when its value changed or its port holds another value;
//   - then, when anything happened, every stored parameter the idle changed without a write (a
//     pattern paste, coupled switches) whose port holds another value.
// Allocates only at construction.
#pragma once

#include "lv2/OrvaneLv2Ports.h"

#include <array>
#include <cstdint>
#include <vector>

class OrvaneLv2UiSync
{
  public:
    static constexpr int stored = static_cast<int>(OrvaneLv2Ports::controlCount);
    using Parameters = std::array<float, OrvaneLv2Ports::controlCount>;
    // The most notifications one idle keeps in order; beyond, the idle counts as one that wrote
    // several parameters.
    static constexpr std::size_t journalCapacity = 4096;

    // What the host is told.
    class Host
    {
      public:
        virtual void writePort(uint32_t port, float value) = 0;
        virtual void touchPort(uint32_t port, bool grabbed) = 0;

      protected:
        ~Host() = default;
    };

    // known: the parameters (normalised) whose port values the host is taken to hold at first.
    OrvaneLv2UiSync(Host& host, const Parameters& known);

    // Port value -> normalised value of stored parameter port (-1 when not a number).
    float toNormalised(uint32_t port, float value) const { return maps[port].toNormalised(value); }
    void portEvent(uint32_t port, float value);
    void beginAction(const Parameters& parameters);
    void written(int index, float normalised);
    void gesture(int index, bool begins);
    void endAction(const Parameters& parameters);
    void deferred(int index, float normalised);

  private:
    struct Entry {
        enum class Kind : uint8_t { write, begin, end };
        Kind kind = Kind::write;
        int index = 0;
        float value = 0.0f;
    };

    void record(const Entry& entry);
    void write(int index, float normalised);

    Host& host;
    std::array<OrvaneLv2Ports::ValueMap, OrvaneLv2Ports::controlCount> maps{};
    std::array<float, OrvaneLv2Ports::controlCount> known{}; // port values
    Parameters before{};
    std::array<bool, OrvaneLv2Ports::controlCount> done{};
    std::vector<Entry> journal;
    bool journalFull = false;
};
