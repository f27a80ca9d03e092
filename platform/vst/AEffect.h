// Plain records and constants of the plug-in interface: the effect record that describes an
// instance (AEffect), the host callback and its request codes, MIDI events (VstEvents,
// VstMidiEvent), the host's transport record (VstTimeInfo with its flags), output pin
// properties and the editor rectangle.
//
// Only what Orvane's shell, editor and front ends use is declared here. Everything is a plain
// value type: no operation allocates, and all of it may be used on the audio thread.
#pragma once

#include <cstdint>

using VstInt32 = int32_t;
using VstIntPtr = intptr_t;

struct AEffect;

// The host callback: every request the plug-in makes of its host goes through it.
// effect: the asking instance; opcode: one of the HostOpcode values; the meaning of index,
// value, ptr and opt depends on the opcode. The result is opcode specific (0 = not handled).
using audioMasterCallback = VstIntPtr (*)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt);

// Requests a plug-in sends to its host.
enum HostOpcode : VstInt32 {
    audioMasterAutomate = 0,       // index = parameter, opt = normalised value: the plug-in changed it
    audioMasterVersion = 1,        // result: interface version the host speaks
    audioMasterWantMidi = 6,       // value = 1: the plug-in wants MIDI events delivered
    audioMasterGetTime = 7,        // value = VstTimeInfoFlags mask; result: VstTimeInfo* or 0
    audioMasterIOChanged = 13,     // inputs, outputs or latency changed
    audioMasterSizeWindow = 15,    // index = width, value = height of the editor window
    audioMasterUpdateDisplay = 42, // program names or parameter texts changed
    audioMasterBeginEdit = 43,     // index = parameter: a user gesture starts
    audioMasterEndEdit = 44,       // index = parameter: a user gesture ends
};

// AEffect::flags bits.
enum VstAEffectFlags : VstInt32 {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

constexpr VstInt32 kEffectMagic = ('V' << 24) | ('s' << 16) | ('t' << 8) | 'P';

// The values that describe one plug-in instance to its host.
struct AEffect {
    VstInt32 magic = kEffectMagic;
    VstInt32 numPrograms = 0;
    VstInt32 numParams = 0;
    VstInt32 numInputs = 0;
    VstInt32 numOutputs = 0;
    VstInt32 flags = 0;
    VstInt32 initialDelay = 0;
    void* object = nullptr; // the AudioEffect that owns this record
    void* user = nullptr;   // free for the host
    VstInt32 uniqueID = 0;  // four characters, the first in the most significant byte
    VstInt32 version = 1;
};

// Four-character code: the first character in the most significant byte.
constexpr VstInt32 vstFourCharCode(char a, char b, char c, char d)
{
    return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                 static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

// ---- Events ----------------------------------------------------------------------------------

enum VstEventTypes : VstInt32 {
    kVstMidiType = 1,
    kVstSysExType = 6,
};

// Generic event header; the data bytes depend on the type.
struct VstEvent {
    VstInt32 type = 0;
    VstInt32 byteSize = 0;
    VstInt32 deltaFrames = 0; // offset of the event from the start of the current block
    VstInt32 flags = 0;
    char data[16] = {};
};

// One short MIDI message. midiData holds status, data 1, data 2 and a zero.
struct VstMidiEvent {
    VstInt32 type = kVstMidiType;
    VstInt32 byteSize = static_cast<VstInt32>(sizeof(VstMidiEvent));
    VstInt32 deltaFrames = 0;
    VstInt32 flags = 0;
    VstInt32 noteLength = 0;
    VstInt32 noteOffset = 0;
    char midiData[4] = {};
    char detune = 0;
    char noteOffVelocity = 0;
    char reserved1 = 0;
    char reserved2 = 0;
};

// A block's events. Unlike a fixed trailing array, `events` points at the sender's own array
// of numEvents event pointers, so a front end can pass any number of events without tricks.
// Each entry points at a VstEvent header; entries of type kVstMidiType are VstMidiEvents.
struct VstEvents {
    VstInt32 numEvents = 0;
    VstIntPtr reserved = 0;
    VstEvent* const* events = nullptr;
};

// ---- Transport -------------------------------------------------------------------------------

enum VstTimeInfoFlags : VstInt32 {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
};

// The host's transport at the start of the current block.
struct VstTimeInfo {
    double samplePos = 0.0;   // frames since the start of the song
    double sampleRate = 0.0;  // frames per second
    double nanoSeconds = 0.0; // system time
    double ppqPos = 0.0;      // song position in quarter notes
    double tempo = 0.0;       // beats per minute
    double barStartPos = 0.0; // position of the last bar start, in quarter notes
    double cycleStartPos = 0.0;
    double cycleEndPos = 0.0;
    VstInt32 timeSigNumerator = 4;
    VstInt32 timeSigDenominator = 4;
    VstInt32 flags = 0; // VstTimeInfoFlags
};

// ---- Pins and editor geometry ----------------------------------------------------------------

enum VstPinPropertiesFlags : VstInt32 {
    kVstPinIsActive = 1 << 0,
    kVstPinIsStereo = 1 << 1,
};

constexpr int kVstMaxLabelLen = 64;
constexpr int kVstMaxShortLabelLen = 8;

struct VstPinProperties {
    char label[kVstMaxLabelLen] = {};
    VstInt32 flags = 0;
    VstInt32 arrangementType = 0;
    char shortLabel[kVstMaxShortLabelLen] = {};
};

// Editor rectangle in pixels.
struct ERect {
    int16_t top = 0;
    int16_t left = 0;
    int16_t bottom = 0;
    int16_t right = 0;
};

// Every text operation of AudioEffect / AudioEffectX (parameter names, display texts, labels,
// program names, vendor and product strings) writes into a caller's buffer that must hold at
// least kVstTextSize bytes; the result is always zero-terminated within that size.
constexpr int kVstTextSize = 128;
