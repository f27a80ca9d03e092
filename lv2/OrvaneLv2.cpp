#include "lv2/OrvaneLv2.h"

#include "lv2/OrvaneLv2Shell.h"
#include "platform/vst/AEffect.h"

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace
{

using namespace OrvaneLv2Ports;

constexpr uint8_t statusProgramChange = 0xC0;
constexpr int programSlots = 64;

const LV2_Feature* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, uri) == 0) return features[i];
    return nullptr;
}

// A number from a time:Position field of any numeric atom type.
bool atomNumber(const LV2_Atom* atom, LV2_URID floatType, LV2_URID doubleType, LV2_URID intType,
                LV2_URID longType, double& value)
{
    if (!atom) return false;
    if (atom->type == floatType && atom->size >= sizeof(float))
        value = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
    else if (atom->type == doubleType && atom->size >= sizeof(double))
        value = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
    else if (atom->type == intType && atom->size >= sizeof(int32_t))
        value = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
    else if (atom->type == longType && atom->size >= sizeof(int64_t))
        value = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
    else
        return false;
    return std::isfinite(value);
}

} // namespace

OrvaneLv2::OrvaneLv2(double rate, const LV2_Feature* const* features)
    : effect(std::make_unique<OrvaneLv2Shell>()), sampleRate(rate > 0.0 ? rate : 48000.0),
      midiEvents(std::make_unique<VstMidiEvent[]>(maxEvents)),
      eventPointers(std::make_unique<VstEvent*[]>(maxEvents))
{
    for (int i = 0; i < maxEvents; ++i)
        eventPointers[i] = reinterpret_cast<VstEvent*>(&midiEvents[i]);
    for (uint32_t i = 0; i < controlCount; ++i) {
        valueMaps[i] = valueMapOf(static_cast<int>(i));
        applied[i].store(NAN, std::memory_order_relaxed);
        controls[i] = &unconnected;
    }

    if (const LV2_Feature* f = findFeature(features, LV2_URID__map))
        map = static_cast<LV2_URID_Map*>(f->data);
    if (const LV2_Feature* f = findFeature(features, LV2_WORKER__schedule))
        schedule = static_cast<LV2_Worker_Schedule*>(f->data);
    if (map) {
        auto id = [this](const char* uri) { return map->map(map->handle, uri); };
        uris.atomBlank = id(LV2_ATOM__Blank);
        uris.atomObject = id(LV2_ATOM__Object);
        uris.atomFloat = id(LV2_ATOM__Float);
        uris.atomDouble = id(LV2_ATOM__Double);
        uris.atomInt = id(LV2_ATOM__Int);
        uris.atomLong = id(LV2_ATOM__Long);
        uris.atomChunk = id(LV2_ATOM__Chunk);
        uris.atomVector = id(LV2_ATOM__Vector);
        uris.atomSequence = id(LV2_ATOM__Sequence);
        uris.midiEvent = id(LV2_MIDI__MidiEvent);
        uris.timePosition = id(LV2_TIME__Position);
        uris.timeBar = id(LV2_TIME__bar);
        uris.timeBarBeat = id(LV2_TIME__barBeat);
        uris.timeBeat = id(LV2_TIME__beat);
        uris.timeBeatUnit = id(LV2_TIME__beatUnit);
        uris.timeBeatsPerBar = id(LV2_TIME__beatsPerBar);
        uris.timeBeatsPerMinute = id(LV2_TIME__beatsPerMinute);
        uris.timeSpeed = id(LV2_TIME__speed);
        const std::string base = pluginUri;
        uris.stateBank = id((base + "#bank").c_str());
        uris.stateProgram = id((base + "#program").c_str());
        uris.statePorts = id((base + "#ports").c_str());
    }

    effect->setSampleRate(static_cast<float>(sampleRate));
    // Bank files and the controller file are never touched on the audio thread.
    effect->setDeferFileWork(true);
}

OrvaneLv2::~OrvaneLv2() = default;

void OrvaneLv2::connectPort(uint32_t port, void* data) noexcept
{
    if (port < controlCount) {
        controls[port] = data ? static_cast<const float*>(data) : &unconnected;
        return;
    }
    switch (port) {
    case audioInLeft:
        inputs[0] = static_cast<const float*>(data);
        break;
    case audioInRight:
        inputs[1] = static_cast<const float*>(data);
        break;
    case audioOutLeft:
        outputs[0] = static_cast<float*>(data);
        break;
    case audioOutRight:
        outputs[1] = static_cast<float*>(data);
        break;
    case events:
        eventPort = static_cast<const LV2_Atom_Sequence*>(data);
        break;
    case meterLeft:
        meters[0] = static_cast<float*>(data);
        break;
    case meterRight:
        meters[1] = static_cast<float*>(data);
        break;
    default:
        break;
    }
}

// Everything that depends on past audio (lines, filters, glides, meters, oscillator and
// sequencer phases) starts again, as in a new instance. The shell is resumed at the start of
// the first block instead, once the host's port values are in place: the parameters then start
// at those values instead of gliding to them from the program the shell selected at
// construction.
void OrvaneLv2::activate()
{
    effect->clearHistory();
    resumePending = true;
}

void OrvaneLv2::deactivate()
{
    effect->suspend();
}

void OrvaneLv2::applyControlPorts() noexcept
{
    // Runs over every port in every block, so the usual case (unchanged) is one comparison;
    // an unconnected port reads NaN, which is never applied.
    for (uint32_t i = 0; i < controlCount; ++i) {
        const float value = *controls[i];
        if (value == applied[i].load(std::memory_order_relaxed) || std::isnan(value)) continue;
        applied[i].store(value, std::memory_order_relaxed);
        effect->setParameter(static_cast<VstInt32>(i), valueMaps[i].toNormalised(value));
    }
}

void OrvaneLv2::readPosition(const LV2_Atom_Object* object) noexcept
{
    const LV2_Atom *bar = nullptr, *barBeat = nullptr, *beat = nullptr, *unit = nullptr, *perBar = nullptr,
                   *bpm = nullptr, *newSpeed = nullptr;
    lv2_atom_object_get(object, uris.timeBar, &bar, uris.timeBarBeat, &barBeat, uris.timeBeat, &beat,
                        uris.timeBeatUnit, &unit, uris.timeBeatsPerBar, &perBar, uris.timeBeatsPerMinute,
                        &bpm, uris.timeSpeed, &newSpeed, 0);
    auto number = [this](const LV2_Atom* atom, double& value) {
        return atomNumber(atom, uris.atomFloat, uris.atomDouble, uris.atomInt, uris.atomLong, value);
    };
    double v = 0.0;
    if (number(unit, v) && v >= 1.0) beatUnit = v;
    if (number(perBar, v) && v > 0.0) beatsPerBar = v;
    if (number(bpm, v) && v > 0.0) beatsPerMinute = v;
    if (number(newSpeed, v)) speed = v;
    double barValue = 0.0, barBeatValue = 0.0;
    if (number(beat, v))
        quarterPosition = v * 4.0 / beatUnit;
    else if (number(bar, barValue) && number(barBeat, barBeatValue))
        quarterPosition = (barValue * beatsPerBar + barBeatValue) * 4.0 / beatUnit;
    transportKnown = true;
}

void OrvaneLv2::advanceTransport(uint32_t frames) noexcept
{
    if (transportKnown && speed != 0.0)
        quarterPosition += frames * speed * beatsPerMinute * (4.0 / beatUnit) / (60.0 * sampleRate);
}

void OrvaneLv2::addEvent(int& count, int32_t delta, uint8_t status, uint8_t data1, uint8_t data2) noexcept
{
    if (count >= maxEvents) return;
    VstMidiEvent& e = midiEvents[count++];
    e = VstMidiEvent{};
    e.deltaFrames = delta;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
}

int OrvaneLv2::collectEvents(uint32_t frames) noexcept
{
    int count = 0;
    if (!workPending && heldProgramChange.status != 0) {
        addEvent(count, 0, heldProgramChange.status, heldProgramChange.program, 0);
        heldProgramChange = {};
    }
    if (!map || !eventPort || eventPort->atom.type != uris.atomSequence) return count;
    LV2_ATOM_SEQUENCE_FOREACH(eventPort, ev)
    {
        if (ev->body.type == uris.midiEvent) {
            if (ev->body.size < 1 || ev->body.size > 3) continue;
            const auto* bytes = reinterpret_cast<const uint8_t*>(ev + 1);
            const uint8_t status = bytes[0];
            const uint8_t data1 = ev->body.size > 1 ? bytes[1] : 0;
            const uint8_t data2 = ev->body.size > 2 ? bytes[2] : 0;
            const int32_t delta =
                static_cast<int32_t>(std::clamp<int64_t>(ev->time.frames, 0, frames ? frames - 1 : 0));
            // While the worker loads a bank, a program change waits for it (the last one wins),
            // so that program changes take effect in the order they were sent.
            if ((status & 0xF0) == statusProgramChange && workPending) {
                heldProgramChange = {delta, status, data1};
                continue;
            }
            addEvent(count, delta, status, data1, data2);
        } else if (ev->body.type == uris.atomObject || ev->body.type == uris.atomBlank) {
            const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
            if (object->body.otype == uris.timePosition) readPosition(object);
        }
    }
    return count;
}

void OrvaneLv2::run(uint32_t frames) noexcept
{
    applyControlPorts();

    const int count = collectEvents(frames);
    OrvaneLv2Shell& shell = *effect;
    if (resumePending) {
        resumePending = false;
        shell.resume();
    }
    shell.timeValid = transportKnown;
    if (transportKnown) {
        VstTimeInfo& t = shell.time;
        t.sampleRate = sampleRate;
        t.ppqPos = quarterPosition;
        t.tempo = beatsPerMinute * 4.0 / beatUnit;
        t.flags = kVstPpqPosValid | kVstTempoValid | (speed != 0.0 ? kVstTransportPlaying : 0);
    }
    if (count > 0) {
        VstEvents list;
        list.numEvents = count;
        list.events = eventPointers.get();
        shell.processEvents(&list);
    }
    // A bank file to read (or the controller file to write) goes to the worker thread; a request
    // the host could not take is offered again in the next block.
    if (schedule && !workPending && shell.hasDeferredWork()) {
        const uint8_t request = 1;
        workPending =
            schedule->schedule_work(schedule->handle, sizeof request, &request) == LV2_WORKER_SUCCESS;
    }

    if (frames > 0 && inputs[0] && inputs[1] && outputs[0] && outputs[1]) {
        float* in[2] = {const_cast<float*>(inputs[0]), const_cast<float*>(inputs[1])};
        shell.processReplacing(in, outputs, static_cast<VstInt32>(frames));
    }
    for (int m = 0; m < 2; ++m)
        if (meters[m]) *meters[m] = std::max(0.0f, shell.getEngine()->readPeak(m));
    advanceTransport(frames);
}

LV2_State_Status OrvaneLv2::save(LV2_State_Store_Function store, LV2_State_Handle handle)
{
    if (!map) return LV2_STATE_ERR_NO_FEATURE;
    const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;

    void* chunk = nullptr;
    const VstInt32 size = effect->getChunk(&chunk, false);
    if (size <= 0 || !chunk) return LV2_STATE_ERR_UNKNOWN;
    LV2_State_Status status =
        store(handle, uris.stateBank, chunk, static_cast<size_t>(size), uris.atomChunk, flags);
    if (status != LV2_STATE_SUCCESS) return status;

    const int32_t program = effect->getProgram();
    status = store(handle, uris.stateProgram, &program, sizeof program, uris.atomInt, flags);
    if (status != LV2_STATE_SUCCESS) return status;

    struct {
        LV2_Atom_Vector_Body head;
        float values[controlCount];
    } ports{};
    ports.head.child_size = sizeof(float);
    ports.head.child_type = uris.atomFloat;
    for (uint32_t i = 0; i < controlCount; ++i) {
        const float v = applied[i].load(std::memory_order_relaxed);
        // A port never applied is saved as the shell's value, so that a restore leaves it alone
        // only when the host's port still agrees with the sound.
        ports.values[i] =
            std::isnan(v) ? valueMaps[i].toHost(effect->getParameter(static_cast<VstInt32>(i))) : v;
    }
    return store(handle, uris.statePorts, &ports, sizeof ports, uris.atomVector, flags);
}

LV2_State_Status OrvaneLv2::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
    if (!map) return LV2_STATE_ERR_NO_FEATURE;
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* bank = retrieve(handle, uris.stateBank, &size, &type, &flags);
    if (!bank || type != uris.atomChunk || size == 0 || size > 0x7FFFFFFF) return LV2_STATE_ERR_NO_PROPERTY;
    effect->setChunk(const_cast<void*>(bank), static_cast<VstInt32>(size), false);

    const void* program = retrieve(handle, uris.stateProgram, &size, &type, &flags);
    if (program && type == uris.atomInt && size == sizeof(int32_t)) {
        int32_t index = 0;
        std::memcpy(&index, program, sizeof index);
        effect->setProgram(std::clamp(index, 0, programSlots - 1));
    }

    // The port values that were in force when the state was saved: a host that restores the
    // same port values (before or after this) then leaves the restored sound as it is.
    const void* ports = retrieve(handle, uris.statePorts, &size, &type, &flags);
    if (ports && type == uris.atomVector && size >= sizeof(LV2_Atom_Vector_Body)) {
        LV2_Atom_Vector_Body head;
        std::memcpy(&head, ports, sizeof head);
        const size_t count = (size - sizeof head) / sizeof(float);
        if (head.child_type == uris.atomFloat && head.child_size == sizeof(float) && count == controlCount) {
            const auto* values = static_cast<const unsigned char*>(ports) + sizeof head;
            for (uint32_t i = 0; i < controlCount; ++i) {
                float v = 0.0f;
                std::memcpy(&v, values + i * sizeof(float), sizeof v);
                applied[i].store(v, std::memory_order_relaxed);
            }
            return LV2_STATE_SUCCESS;
        }
    }
    // Without saved port values every port now counts as applied at its present value.
    for (uint32_t i = 0; i < controlCount; ++i)
        if (controls[i] != &unconnected) applied[i].store(*controls[i], std::memory_order_relaxed);
    return LV2_STATE_SUCCESS;
}

LV2_Worker_Status OrvaneLv2::work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                                  uint32_t size, const void* data)
{
    effect->performDeferredWork();
    return respond(handle, size, data);
}

LV2_Worker_Status OrvaneLv2::workResponse(uint32_t, const void*)
{
    workPending = false;
    return LV2_WORKER_SUCCESS;
}

// ---- LV2 entry points -------------------------------------------------------------------------

namespace
{

OrvaneLv2* self(LV2_Handle handle)
{
    return static_cast<OrvaneLv2*>(handle);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    try {
        return new OrvaneLv2(rate, features);
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle h, uint32_t port, void* data)
{
    self(h)->connectPort(port, data);
}
void activate(LV2_Handle h)
{
    self(h)->activate();
}
void run(LV2_Handle h, uint32_t frames)
{
    self(h)->run(frames);
}
void deactivate(LV2_Handle h)
{
    self(h)->deactivate();
}
void cleanup(LV2_Handle h)
{
    delete self(h);
}

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*)
{
    try {
        return self(h)->save(store, handle);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t, const LV2_Feature* const*)
{
    try {
        return self(h)->restore(retrieve, handle);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_Worker_Status work(LV2_Handle h, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                       uint32_t size, const void* data)
{
    try {
        return self(h)->work(respond, handle, size, data);
    } catch (...) {
        return LV2_WORKER_ERR_UNKNOWN;
    }
}

LV2_Worker_Status workResponse(LV2_Handle h, uint32_t size, const void* data)
{
    return self(h)->workResponse(size, data);
}

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface state = {save, restore};
    static const LV2_Worker_Interface worker = {work, workResponse, nullptr};
    if (std::strcmp(uri, LV2_STATE__interface) == 0) return &state;
    if (std::strcmp(uri, LV2_WORKER__interface) == 0) return &worker;
    return nullptr;
}

const LV2_Descriptor descriptor = {
    OrvaneLv2Ports::pluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &descriptor : nullptr;
}
