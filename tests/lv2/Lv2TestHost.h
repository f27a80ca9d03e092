// Lv2TestHost: a small LV2 host on liblilv for the plug-in's tests and benchmarks. It loads the
// build-tree bundle, instantiates the plug-in with URID map and the worker (each optional; the
// worker is run by hand: runWorker), owns every port buffer, builds the atom input from MIDI and
// time:Position calls, and saves and restores state as a map of properties. run() counts the heap
// allocations the plug-in makes inside its run() in allocationsInRun.
#pragma once

#include "lv2/OrvaneLv2Ports.h"

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// Defined in AllocationCounter.cpp: allocations on this thread between the two calls.
void startCountingAllocations();
long stopCountingAllocations();

class Lv2TestHost
{
  public:
    struct Property {
        uint32_t type = 0, flags = 0;
        std::vector<uint8_t> value;
    };
    using State = std::map<std::string, Property>; // by key URI

    static LilvWorld* world()
    {
        static LilvWorld* w = [] {
            LilvWorld* created = lilv_world_new();
            LilvNode* bundle = lilv_new_file_uri(created, nullptr, ORVANE_LV2_BUNDLE);
            lilv_world_load_bundle(created, bundle);
            lilv_node_free(bundle);
            return created;
        }();
        return w;
    }
    static const LilvPlugin* plugin()
    {
        static const LilvPlugin* p = [] {
            LilvNode* uri = lilv_new_uri(world(), "urn:tirsk-audio:orvane");
            const LilvPlugin* found = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world()), uri);
            lilv_node_free(uri);
            return found;
        }();
        return p;
    }

    explicit Lv2TestHost(bool urid = true, bool worker = true)
    {
        const LilvPlugin* p = plugin();
        if (!p) return;
        if (urid) features = {&mapF, &unmapF};
        if (worker) features.push_back(&scheduleF);
        features.push_back(nullptr);
        lv2_atom_forge_init(&forge, &mapFeature);
        const uint32_t portCount = lilv_plugin_get_num_ports(p);
        controls.assign(portCount, 0.0f);
        lilv_plugin_get_port_ranges_float(p, nullptr, nullptr, controls.data());
        for (float& c : controls)
            if (std::isnan(c)) c = 0.0f;
        instance = lilv_plugin_instantiate(p, 48000.0, features.data());
        if (!instance) return;
        LilvNode* audio = lilv_new_uri(world(), LILV_URI_AUDIO_PORT);
        LilvNode* atom = lilv_new_uri(world(), LV2_ATOM__AtomPort);
        LilvNode* input = lilv_new_uri(world(), LILV_URI_INPUT_PORT);
        std::vector<float>* audioBuffers[] = {&inLeft, &inRight, &outLeft, &outRight};
        int nextIn = 0, nextOut = 2;
        for (uint32_t i = 0; i < portCount; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(p, i);
            void* buffer = &controls[i];
            if (lilv_port_is_a(p, port, audio))
                buffer = audioBuffers[lilv_port_is_a(p, port, input) ? nextIn++ : nextOut++]->data();
            else if (lilv_port_is_a(p, port, atom))
                buffer = atomBuffer.data();
            lilv_instance_connect_port(instance, i, buffer);
        }
        for (LilvNode* n : {audio, atom, input})
            lilv_node_free(n);
        startSequence();
        lilv_instance_activate(instance);
    }
    ~Lv2TestHost()
    {
        if (!instance) return;
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    Lv2TestHost(const Lv2TestHost&) = delete;
    Lv2TestHost& operator=(const Lv2TestHost&) = delete;

    bool ok() const { return instance != nullptr; }
    // The host's urid:map, for a user interface too.
    const LV2_Feature* uridMap() const { return &mapF; }
    // The plug-in instance, as the host's instance-access feature hands it to a user interface.
    LV2_Handle handle() const { return lilv_instance_get_handle(instance); }
    // The host's pause: deactivate, then activate again (the constructor activates once).
    void pause()
    {
        lilv_instance_deactivate(instance);
        lilv_instance_activate(instance);
    }
    uint32_t portIndex(const char* symbol) const
    {
        LilvNode* s = lilv_new_string(world(), symbol);
        const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin(), s);
        lilv_node_free(s);
        if (!port) throw std::runtime_error(std::string("no port ") + symbol);
        return lilv_port_get_index(plugin(), port);
    }
    float& control(const char* symbol) { return controls[portIndex(symbol)]; }
    // Sets ports from normalised parameter values, "NAME=VALUE NAME=VALUE ...".
    void setNormalised(const std::string& settings)
    {
        std::istringstream in(settings);
        for (std::string word; in >> word;) {
            const std::string symbol = word.substr(0, word.find('='));
            const uint32_t port = portIndex(symbol.c_str());
            controls[port] = OrvaneLv2Ports::valueMapOf(static_cast<int>(port))
                                 .toHost(std::stof(word.substr(symbol.size() + 1)));
        }
    }

    // Events for the next block.
    void midi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2)
    {
        const uint8_t bytes[3] = {status, data1, data2};
        lv2_atom_forge_frame_time(&forge, frame);
        lv2_atom_forge_atom(&forge, 3, map(LV2_MIDI__MidiEvent));
        lv2_atom_forge_write(&forge, bytes, 3);
    }
    // A rolling transport in 4/4 at the given tempo, from the start of the song.
    void position(uint32_t frame, float beatsPerMinute)
    {
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_frame_time(&forge, frame);
        lv2_atom_forge_object(&forge, &object, 0, map(LV2_TIME__Position));
        lv2_atom_forge_key(&forge, map(LV2_TIME__bar));
        lv2_atom_forge_long(&forge, 0);
        lv2_atom_forge_key(&forge, map(LV2_TIME__beatUnit));
        lv2_atom_forge_int(&forge, 4);
        for (const auto& [key, value] : {std::pair{LV2_TIME__beatsPerMinute, beatsPerMinute},
                                         {LV2_TIME__beatsPerBar, 4.0f},
                                         {LV2_TIME__barBeat, 0.0f},
                                         {LV2_TIME__speed, 1.0f}}) {
            lv2_atom_forge_key(&forge, map(key));
            lv2_atom_forge_float(&forge, value);
        }
        lv2_atom_forge_pop(&forge, &object);
    }

    // Runs one block: the inputs from inLeft/inRight, the outputs into outLeft/outRight.
    void run(uint32_t frames)
    {
        lv2_atom_forge_pop(&forge, &sequenceFrame);
        startCountingAllocations();
        lilv_instance_run(instance, frames);
        allocationsInRun += stopCountingAllocations();
        startSequence();
    }
    // Runs the queued worker requests and delivers their responses; returns how many ran.
    int runWorker()
    {
        const auto* worker = static_cast<const LV2_Worker_Interface*>(extension(LV2_WORKER__interface));
        const size_t count = workCount;
        for (size_t i = 0; worker && i < count; ++i)
            worker->work(lilv_instance_get_handle(instance), respond, this, work[i].size, work[i].data);
        for (const Request& r : responses)
            worker->work_response(lilv_instance_get_handle(instance), r.size, r.data);
        responses.clear();
        workCount = 0;
        return static_cast<int>(count);
    }
    size_t queuedWork() const { return workCount; }

    State save()
    {
        State state;
        const auto* iface = static_cast<const LV2_State_Interface*>(extension(LV2_STATE__interface));
        Access access{this, &state};
        if (!iface || iface->save(lilv_instance_get_handle(instance), store, &access,
                                  LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features.data()))
            state.clear();
        return state;
    }
    int restore(State state)
    {
        const auto* iface = static_cast<const LV2_State_Interface*>(extension(LV2_STATE__interface));
        Access access{this, &state};
        return iface
                   ? iface->restore(lilv_instance_get_handle(instance), retrieve, &access, 0, features.data())
                   : -1;
    }
    LV2_URID map(const char* uri)
    {
        for (size_t i = 0; i < uris.size(); ++i)
            if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
        uris.emplace_back(uri);
        return static_cast<LV2_URID>(uris.size());
    }
    const char* unmap(LV2_URID id) const
    {
        return id >= 1 && id <= uris.size() ? uris[id - 1].c_str() : nullptr;
    }

    static constexpr uint32_t maxBlock = 4096;
    std::vector<float> inLeft = std::vector<float>(maxBlock), inRight = inLeft, outLeft = inLeft,
                       outRight = inLeft;
    std::vector<float> controls;
    long allocationsInRun = 0;

  private:
    struct Access {
        Lv2TestHost* host;
        State* state;
    };
    // Worker requests and responses in fixed slots: schedule_work runs inside run() and must
    // not allocate.
    struct Request {
        uint32_t size = 0;
        uint8_t data[64] = {};
    };

    const void* extension(const char* uri) const { return lilv_instance_get_extension_data(instance, uri); }
    void startSequence()
    {
        lv2_atom_forge_set_buffer(&forge, atomBuffer.data(), atomBuffer.size());
        lv2_atom_forge_sequence_head(&forge, &sequenceFrame, 0);
    }
    static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data)
    {
        auto* host = static_cast<Lv2TestHost*>(handle);
        if (host->workCount >= std::size(host->work) || size > sizeof(Request::data))
            return LV2_WORKER_ERR_NO_SPACE;
        Request& r = host->work[host->workCount++];
        r.size = size;
        std::memcpy(r.data, data, size);
        return LV2_WORKER_SUCCESS;
    }
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
    {
        Request r;
        r.size = std::min<uint32_t>(size, sizeof r.data);
        std::memcpy(r.data, data, r.size);
        static_cast<Lv2TestHost*>(handle)->responses.push_back(r);
        return LV2_WORKER_SUCCESS;
    }
    static LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                                  uint32_t type, uint32_t flags)
    {
        auto* access = static_cast<Access*>(handle);
        const auto* bytes = static_cast<const uint8_t*>(value);
        (*access->state)[access->host->unmap(key)] = {type, flags, {bytes, bytes + size}};
        return LV2_STATE_SUCCESS;
    }
    static const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                                uint32_t* flags)
    {
        auto* access = static_cast<Access*>(handle);
        const char* uri = access->host->unmap(key);
        auto it = uri ? access->state->find(uri) : access->state->end();
        if (it == access->state->end()) return nullptr;
        *size = it->second.value.size();
        *type = it->second.type;
        *flags = it->second.flags;
        return it->second.value.data();
    }

    LilvInstance* instance = nullptr;
    std::deque<std::string> uris; // by id - 1; a deque keeps the texts in place
    LV2_URID_Map mapFeature{
        this, [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Lv2TestHost*>(h)->map(uri); }};
    LV2_URID_Unmap unmapFeature{
        this, [](LV2_URID_Unmap_Handle h, LV2_URID id) { return static_cast<Lv2TestHost*>(h)->unmap(id); }};
    LV2_Worker_Schedule scheduleFeature{this, schedule};
    LV2_Feature mapF{LV2_URID__map, &mapFeature}, unmapF{LV2_URID__unmap, &unmapFeature},
        scheduleF{LV2_WORKER__schedule, &scheduleFeature};
    std::vector<const LV2_Feature*> features;
    std::vector<uint8_t> atomBuffer = std::vector<uint8_t>(65536);
    LV2_Atom_Forge forge{};
    LV2_Atom_Forge_Frame sequenceFrame{};
    Request work[16];
    size_t workCount = 0;
    std::vector<Request> responses;
};
