// OrvaneLv2Ports: the port layout of the LV2 plug-in and the map between a control port's
// value and the engine's normalised parameter value. The plug-in and the metadata generator
// both take their ports from here, and both build them from the engine's parameter table, so
// the installed metadata and the running plug-in cannot disagree.
//
// Layout: ports 0..343 are the stored parameters in index order, then the two audio inputs,
// the two audio outputs, the atom input (MIDI and transport) and the two level meters.
//
// Value styles, chosen from the parameter's kind, range and unit:
//   toggle      kind 0 over 0..1: the port holds 0 or 1, equal to the normalised value
//   selector    kind 0 over 0..100: the port holds the integer selector, normalised = value / 100
//   percent     unit "%" over 0..1: the port holds 0..100, normalised = value / 100
//   physical    kind 4 (plain physical values): the port holds minimum..maximum
//   normalised  everything else (rates, cutoffs, volume, step levels): the port holds 0..1
// Cutoffs and the master volume carry display units ("Hz", "dB") whose curves are not linear
// and not invertible at the ends of the range, so their ports stay normalised and carry no unit.
//
// Operations:
//   describeControl(index)   the control port of parameter index (0..343); allocates
//   controlSymbols()         the 344 port symbols, unique and valid; allocates
//   toNormalised(value)      port value -> normalised value 0..1 (noexcept, allocates nothing)
//   toHost(normalised)       normalised value -> port value; toNormalised(toHost(n)) == n
//                            wherever single precision allows
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace OrvaneLv2Ports
{

constexpr uint32_t controlCount = 344;
constexpr uint32_t audioInLeft = 344;
constexpr uint32_t audioInRight = 345;
constexpr uint32_t audioOutLeft = 346;
constexpr uint32_t audioOutRight = 347;
constexpr uint32_t events = 348;
constexpr uint32_t meterLeft = 349;
constexpr uint32_t meterRight = 350;
constexpr uint32_t portCount = 351;

// Identity of the plug-in for hosts.
constexpr const char* pluginUri = "urn:tirsk-audio:orvane";
// Identity of its user interface (the editor in an X11 window).
constexpr const char* uiUri = "urn:tirsk-audio:orvane#ui";

enum class Style { toggle, selector, percent, physical, normalised };

// The part of a control port that the audio thread needs: the linear map to and from the
// normalised value.
struct ValueMap {
    Style style = Style::normalised;
    float lower = 0.0f; // port value of normalised 0
    float upper = 1.0f; // port value of normalised 1

    // Port value -> normalised value, limited to 0..1. A value that is not a number gives -1
    // (the caller ignores it).
    float toNormalised(float value) const noexcept;
    // Normalised value -> port value, chosen so that toNormalised gives back exactly the same
    // float whenever one exists.
    float toHost(float normalised) const noexcept;
};

// A scale point of an enumerated selector.
struct ScalePoint {
    float value;
    std::string label;
};

// Everything the metadata says about one control port.
struct ControlPort {
    uint32_t index = 0;
    std::string symbol;
    std::string name;
    ValueMap map;
    float defaultValue = 0.0f; // port value of the product default
    std::string unitUri;       // empty: no unit
    bool integer = false;
    bool enumeration = false;
    std::vector<ScalePoint> scalePoints;
};

ValueMap valueMapOf(int parameterIndex);
ControlPort describeControl(int parameterIndex);
std::vector<std::string> controlSymbols();
// Turns names into unique, valid port symbols: invalid characters become '_', a leading
// digit gets a '_' before it, and names that occur more than once are numbered 1, 2, ... in
// order of appearance ("Chain" -> "Chain1" .. "Chain8").
std::vector<std::string> makeSymbols(const std::vector<std::string>& names);

} // namespace OrvaneLv2Ports
