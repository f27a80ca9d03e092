#include "Lv2TestHost.h"

#include "AllocationCounter.h"

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace
{

constexpr const char* pluginUri = "urn:tirsk-audio:orvane";

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    return static_cast<Lv2TestHost*>(handle)->map(uri);
}

const char* unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID id);

// lilv asks for the port values it stores in a session.
const void* portValue(const char* symbol, void* user, uint32_t* size, uint32_t* type)
{
    auto* host = static_cast<Lv2TestHost*>(user);
    static thread_local float value = 0.0f;
    value = host->control(symbol);
    *size = sizeof(float);
    *type = host->map(LV2_ATOM__Float);
    return &value;
}

void setPortValue(const char* symbol, void* user, const void* value, uint32_t size, uint32_t type)
{
    auto* host = static_cast<Lv2TestHost*>(user);
    if (size == sizeof(float) && type == host->map(LV2_ATOM__Float)) {
        float v = 0.0f;
        std::memcpy(&v, value, sizeof v);
        host->setControl(symbol, v);
    }
}

LV2_State_Status storeProperty(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                               uint32_t type, uint32_t flags);
const void* retrieveProperty(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                             uint32_t* flags);

struct StateAccess {
    Lv2TestHost* host;
    Lv2TestHost::State* state;
};

} // namespace

namespace
{

const char* unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID id)
{
    return static_cast<Lv2TestHost*>(handle)->unmapText(id);
}

LV2_State_Status storeProperty(LV2_State_Handle handle, uint32_t key, const void* value, size_t size,
                               uint32_t type, uint32_t flags)
{
    auto* access = static_cast<StateAccess*>(handle);
    Lv2TestHost::Property& p = (*access->state)[access->host->unmap(key)];
    p.type = type;
    p.flags = flags;
    const auto* bytes = static_cast<const uint8_t*>(value);
    p.value.assign(bytes, bytes + size);
    return LV2_STATE_SUCCESS;
}

const void* retrieveProperty(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                             uint32_t* flags)
{
    auto* access = static_cast<StateAccess*>(handle);
    auto it = access->state->find(access->host->unmap(key));
    if (it == access->state->end()) return nullptr;
    *size = it->second.value.size();
    *type = it->second.type;
    *flags = it->second.flags;
    return it->second.value.data();
}

} // namespace

LilvWorld* Lv2TestHost::world()
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

const LilvPlugin* Lv2TestHost::plugin()
{
    static const LilvPlugin* p = [] {
        LilvNode* uri = lilv_new_uri(world(), pluginUri);
        const LilvPlugin* found = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world()), uri);
        lilv_node_free(uri);
        return found;
    }();
    return p;
}

Lv2TestHost::Lv2TestHost(const Options& options)
    : inLeft(maxBlock), inRight(maxBlock), outLeft(maxBlock), outRight(maxBlock), atomBuffer(65536)
{
    const LilvPlugin* p = plugin();
    if (!p) return;
    mapFeature = {this, mapUri};
    unmapFeature = {this, unmapUri};
    scheduleFeature = {this, scheduleWork};
    mapF = {LV2_URID__map, &mapFeature};
    unmapF = {LV2_URID__unmap, &unmapFeature};
    scheduleF = {LV2_WORKER__schedule, &scheduleFeature};
    if (options.urid) {
        features.push_back(&mapF);
        features.push_back(&unmapF);
    }
    if (options.worker) features.push_back(&scheduleF);
    features.push_back(nullptr);
    lv2_atom_forge_init(&forge, &mapFeature);

    const uint32_t portCount = lilv_plugin_get_num_ports(p);
    controls.assign(portCount, 0.0f);
    std::vector<float> defaults(portCount, 0.0f);
    lilv_plugin_get_port_ranges_float(p, nullptr, nullptr, defaults.data());
    for (uint32_t i = 0; i < portCount; ++i)
        controls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];

    instance = lilv_plugin_instantiate(p, options.sampleRate, features.data());
    if (!instance) return;
    LilvNode* audio = lilv_new_uri(world(), LILV_URI_AUDIO_PORT);
    LilvNode* atomPort = lilv_new_uri(world(), LV2_ATOM__AtomPort);
    LilvNode* input = lilv_new_uri(world(), LILV_URI_INPUT_PORT);
    int audioIn = 0, audioOut = 0;
    for (uint32_t i = 0; i < portCount; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(p, i);
        if (lilv_port_is_a(p, port, audio)) {
            const bool in = lilv_port_is_a(p, port, input);
            std::vector<float>* buffers[2][2] = {{&outLeft, &outRight}, {&inLeft, &inRight}};
            std::vector<float>* buffer = buffers[in ? 1 : 0][in ? audioIn++ : audioOut++];
            lilv_instance_connect_port(instance, i, buffer->data());
        } else if (lilv_port_is_a(p, port, atomPort)) {
            lilv_instance_connect_port(instance, i, atomBuffer.data());
        } else {
            lilv_instance_connect_port(instance, i, &controls[i]);
        }
    }
    lilv_node_free(audio);
    lilv_node_free(atomPort);
    lilv_node_free(input);
    startSequence();
    lilv_instance_activate(instance);
}

Lv2TestHost::~Lv2TestHost()
{
    if (instance) {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
}

LV2_URID Lv2TestHost::map(const char* uri)
{
    for (size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

std::string Lv2TestHost::unmap(LV2_URID id) const
{
    const char* text = unmapText(id);
    return text ? text : "";
}

const char* Lv2TestHost::unmapText(LV2_URID id) const
{
    return id >= 1 && id <= uris.size() ? uris[id - 1].c_str() : nullptr;
}

uint32_t Lv2TestHost::portIndex(const char* symbol) const
{
    LilvNode* s = lilv_new_string(world(), symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin(), s);
    lilv_node_free(s);
    if (!port) throw std::runtime_error(std::string("no port ") + symbol);
    return lilv_port_get_index(plugin(), port);
}

void Lv2TestHost::setControl(const char* symbol, float value)
{
    controls[portIndex(symbol)] = value;
}

float Lv2TestHost::control(const char* symbol) const
{
    return controls[portIndex(symbol)];
}

void Lv2TestHost::startSequence()
{
    // The port buffer tells the plug-in its capacity; the forge writes after the header.
    lv2_atom_forge_set_buffer(&forge, atomBuffer.data(), atomBuffer.size());
    lv2_atom_forge_sequence_head(&forge, &sequenceFrame, 0);
}

void Lv2TestHost::midi(uint32_t frame, uint8_t status, uint8_t data1, uint8_t data2)
{
    const uint8_t bytes[3] = {status, data1, data2};
    lv2_atom_forge_frame_time(&forge, frame);
    lv2_atom_forge_atom(&forge, 3, map(LV2_MIDI__MidiEvent));
    lv2_atom_forge_write(&forge, bytes, 3);
}

void Lv2TestHost::position(uint32_t frame, double beatsPerMinute, double beat, double speed)
{
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge, frame);
    lv2_atom_forge_object(&forge, &object, 0, map(LV2_TIME__Position));
    lv2_atom_forge_key(&forge, map(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge, static_cast<float>(beatsPerMinute));
    lv2_atom_forge_key(&forge, map(LV2_TIME__beatUnit));
    lv2_atom_forge_int(&forge, 4);
    lv2_atom_forge_key(&forge, map(LV2_TIME__beatsPerBar));
    lv2_atom_forge_float(&forge, 4.0f);
    lv2_atom_forge_key(&forge, map(LV2_TIME__bar));
    lv2_atom_forge_long(&forge, static_cast<int64_t>(beat / 4.0));
    lv2_atom_forge_key(&forge, map(LV2_TIME__barBeat));
    lv2_atom_forge_float(&forge, static_cast<float>(beat - 4.0 * static_cast<int64_t>(beat / 4.0)));
    lv2_atom_forge_key(&forge, map(LV2_TIME__speed));
    lv2_atom_forge_float(&forge, static_cast<float>(speed));
    lv2_atom_forge_pop(&forge, &object);
}

void Lv2TestHost::run(uint32_t frames)
{
    lv2_atom_forge_pop(&forge, &sequenceFrame);
    {
        AllocationCounter counter;
        lilv_instance_run(instance, frames);
        allocationsInRun += counter.count();
    }
    startSequence();
}

LV2_Worker_Status Lv2TestHost::scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size,
                                            const void* data)
{
    auto* host = static_cast<Lv2TestHost*>(handle);
    if (host->workCount >= workSlots || size > sizeof(Request::data)) return LV2_WORKER_ERR_NO_SPACE;
    Request& r = host->workQueue[host->workCount++];
    r.size = size;
    std::memcpy(r.data, data, size);
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2TestHost::respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
    auto* host = static_cast<Lv2TestHost*>(handle);
    Request r;
    r.size = size < sizeof r.data ? size : static_cast<uint32_t>(sizeof r.data);
    std::memcpy(r.data, data, r.size);
    host->responses.push_back(r);
    return LV2_WORKER_SUCCESS;
}

int Lv2TestHost::runWorker()
{
    const auto* worker = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_WORKER__interface));
    if (!worker) return 0;
    const size_t count = workCount;
    for (size_t i = 0; i < count; ++i)
        worker->work(lilv_instance_get_handle(instance), respond, this, workQueue[i].size, workQueue[i].data);
    workCount = 0;
    for (const Request& r : responses)
        worker->work_response(lilv_instance_get_handle(instance), r.size, r.data);
    responses.clear();
    return static_cast<int>(count);
}

Lv2TestHost::State Lv2TestHost::save()
{
    State state;
    const auto* iface = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    StateAccess access{this, &state};
    if (!iface || iface->save(lilv_instance_get_handle(instance), storeProperty, &access,
                              LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features.data()) != LV2_STATE_SUCCESS)
        state.clear();
    return state;
}

int Lv2TestHost::restore(const State& state)
{
    const auto* iface = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    State copy = state;
    StateAccess access{this, &copy};
    return iface ? iface->restore(lilv_instance_get_handle(instance), retrieveProperty, &access, 0,
                                  features.data())
                 : -1;
}

std::string Lv2TestHost::saveSession()
{
    LilvState* state = lilv_state_new_from_instance(
        plugin(), instance, &mapFeature, nullptr, nullptr, nullptr, nullptr, portValue, this,
        LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features.data());
    if (!state) return {};
    char* text =
        lilv_state_to_string(world(), &mapFeature, &unmapFeature, state, "urn:orvane:test:session", nullptr);
    std::string result = text ? text : "";
    lilv_free(text);
    lilv_state_free(state);
    return result;
}

void Lv2TestHost::restoreSessionState(const std::string& text)
{
    LilvState* state = lilv_state_new_from_string(world(), &mapFeature, text.c_str());
    if (!state) throw std::runtime_error("lilv cannot read the session text");
    lilv_state_restore(state, instance, nullptr, this, 0, features.data());
    lilv_state_free(state);
}

void Lv2TestHost::restoreSessionPorts(const std::string& text)
{
    LilvState* state = lilv_state_new_from_string(world(), &mapFeature, text.c_str());
    if (!state) throw std::runtime_error("lilv cannot read the session text");
    lilv_state_emit_port_values(state, setPortValue, this);
    lilv_state_free(state);
}
