// Lv2TestHost: a small LV2 host on liblilv for the plug-in's tests. It loads the build-tree
// bundle, instantiates the plug-in with URID map, the worker (run by hand: runWorker) and
// nothing else, owns every port buffer, builds the atom input from MIDI and time:Position
// calls, and saves and restores state through the plug-in's state interface, either directly
// or through lilv's own serialisation (as a host session would).
//
// run() counts the heap allocations the plug-in makes inside its run() and records them in
// allocationsInRun.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Lv2TestHost
{
  public:
    static constexpr uint32_t maxBlock = 4096;

    struct Options {
        double sampleRate = 48000.0;
        bool urid = true;
        bool worker = true;
    };

    // One stored state property.
    struct Property {
        uint32_t type = 0;
        uint32_t flags = 0;
        std::vector<uint8_t> value;
    };
    using State = std::map<std::string, Property>; // by key URI

    Lv2TestHost() : Lv2TestHost(Options{}) {}
    explicit Lv2TestHost(const Options& options);
    ~Lv2TestHost();
    Lv2TestHost(const Lv2TestHost&) = delete;
    Lv2TestHost& operator=(const Lv2TestHost&) = delete;

    static LilvWorld* world();
    static const LilvPlugin* plugin();

    bool ok() const { return instance != nullptr; }
    uint32_t portIndex(const char* symbol) const;
    // Control port value as the host holds it.
    void setControl(const char* symbol, float value);
    float control(const char* symbol) const;
    float output(uint32_t port) const { return controls[port]; }

    // Events for the next block.
    void midi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2);
    void position(uint32_t frame, double beatsPerMinute, double beat, double speed);

    // Runs one block: the inputs from inLeft/inRight, the outputs into outLeft/outRight.
    void run(uint32_t frames);
    // Runs the queued worker requests and delivers their responses; returns how many ran.
    int runWorker();
    size_t queuedWork() const { return workCount; }

    State save();
    int restore(const State& state);
    // Saves through lilv into a Turtle text and back, as a host session does.
    std::string saveSession();
    // The two halves of reopening a session, so that tests can choose their order: the
    // plug-in's state, and the port values the host stored with it.
    void restoreSessionState(const std::string& text);
    void restoreSessionPorts(const std::string& text);

    LV2_URID map(const char* uri);
    std::string unmap(LV2_URID id) const;
    // The mapped text itself, valid as long as the host (null for an unknown id).
    const char* unmapText(LV2_URID id) const;

    std::vector<float> inLeft, inRight, outLeft, outRight;
    long allocationsInRun = 0;

  private:
    static LV2_Worker_Status scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data);
    void startSequence();

    LilvInstance* instance = nullptr;
    std::deque<std::string> uris; // by id - 1; a deque keeps the texts in place
    LV2_URID_Map mapFeature{};
    LV2_URID_Unmap unmapFeature{};
    LV2_Worker_Schedule scheduleFeature{};
    LV2_Feature mapF{}, unmapF{}, scheduleF{};
    std::vector<const LV2_Feature*> features;

    std::vector<float> controls;
    std::vector<uint8_t> atomBuffer;
    LV2_Atom_Forge forge{};
    LV2_Atom_Forge_Frame sequenceFrame{};

    // The worker queue: filled by the plug-in's schedule_work without allocating (fixed slots).
    struct Request {
        uint32_t size = 0;
        uint8_t data[64] = {};
    };
    static constexpr size_t workSlots = 16;
    Request workQueue[workSlots];
    size_t workCount = 0;
    std::vector<Request> responses;
};
