#include "lv2/OrvaneLv2Ports.h"

#include "engine/Lfo.h"
#include "engine/MorphTargets.h"
#include "engine/ParameterTable.h"
#include "engine/UniqueNames.h"
#include "filters/FilterTypeInfo.h"

#include <cctype>
#include <cmath>
#include <cstring>

namespace OrvaneLv2Ports
{

namespace
{

constexpr const char* unitsPrefix = "http://lv2plug.in/ns/extensions/units#";

// The two modulation sources a pan or cutoff source selector chooses between.
const char* const sourceNames[] = {"LFO", "Step Sequencer"};

bool isNamed(const ParameterInfo& info, const char* name)
{
    return std::strcmp(info.name, name) == 0;
}

int indexOfName(const char* name)
{
    for (int i = 0; i < kParameterCount; ++i)
        if (isNamed(parameterInfo(i), name)) return i;
    return -1;
}

std::string trimmed(const char* text)
{
    std::string s(text);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// Filter types in menu order, each written as the type number the editor's menu writes.
std::vector<ScalePoint> filterTypePoints()
{
    std::vector<ScalePoint> points;
    for (int row = 0; row < filterMenuCount; ++row)
        points.push_back({static_cast<float>(typeNumberForRow(row)), trimmed(filterTypes[row].name)});
    return points;
}

std::vector<ScalePoint> shapePoints()
{
    std::vector<ScalePoint> points;
    for (int s = 0; s < Lfo::shapeCount; ++s)
        points.push_back({static_cast<float>(s), Lfo::shapeName(s)});
    return points;
}

std::vector<ScalePoint> morphTargetPoints()
{
    std::vector<ScalePoint> points;
    for (int s = 0; s < morphTargetCount; ++s) {
        const int target = indexOfName(morphTargets[s]);
        const char* label = target >= 0 ? parameterInfo(target).altName : morphTargets[s];
        points.push_back({static_cast<float>(s), label[0] ? label : morphTargets[s]});
    }
    return points;
}

std::vector<ScalePoint> sourcePoints()
{
    std::vector<ScalePoint> points;
    for (int s = 0; s < 2; ++s)
        points.push_back({static_cast<float>(s), sourceNames[s]});
    return points;
}

} // namespace

float ValueMap::toNormalised(float value) const noexcept
{
    if (std::isnan(value)) return -1.0f;
    float n = (upper == lower) ? 0.0f : (value - lower) / (upper - lower);
    if (!(n > 0.0f)) return 0.0f;
    return n < 1.0f ? n : 1.0f;
}

float ValueMap::toHost(float normalised) const noexcept
{
    if (std::isnan(normalised)) normalised = 0.0f;
    normalised = normalised < 0.0f ? 0.0f : (normalised > 1.0f ? 1.0f : normalised);
    const double exact = static_cast<double>(lower) + static_cast<double>(normalised) * (upper - lower);
    // The shortest decimal that maps back onto the same normalised value reads best in a host
    // and in the presets (73 rather than 73.0000019 for 0.73).
    double scale = 1.0;
    for (int decimals = 0; decimals <= 6; ++decimals, scale *= 10.0) {
        const float rounded = static_cast<float>(std::round(exact * scale) / scale);
        if (toNormalised(rounded) == normalised) return rounded;
    }
    // Otherwise the float nearest the exact value, or when rounding spoils that, a neighbour.
    float candidate = static_cast<float>(exact);
    if (toNormalised(candidate) == normalised) return candidate;
    float down = candidate, up = candidate;
    for (int step = 0; step < 4; ++step) {
        down = std::nextafter(down, -INFINITY);
        up = std::nextafter(up, INFINITY);
        if (toNormalised(up) == normalised) return up;
        if (toNormalised(down) == normalised) return down;
    }
    return candidate;
}

ValueMap valueMapOf(int parameterIndex)
{
    const ParameterInfo& info = parameterInfo(parameterIndex);
    ValueMap map;
    const bool unitRange = info.minimum == 0.0f && info.maximum == 1.0f;
    if (info.kind == 0 && unitRange) {
        map.style = Style::toggle;
    } else if (info.kind == 0) {
        map = {Style::selector, info.minimum, info.maximum};
    } else if (info.unit && std::strcmp(info.unit, "%") == 0 && unitRange) {
        map = {Style::percent, 0.0f, 100.0f};
    } else if (info.kind == 4) {
        map = {Style::physical, info.minimum, info.maximum};
    }
    return map;
}

ControlPort describeControl(int parameterIndex)
{
    const ParameterInfo& info = parameterInfo(parameterIndex);
    ControlPort port;
    port.index = static_cast<uint32_t>(parameterIndex);
    port.name = info.name;
    port.map = valueMapOf(parameterIndex);
    port.defaultValue = port.map.toHost(info.defaultValue);
    port.integer = port.map.style == Style::toggle || port.map.style == Style::selector;
    if (port.map.style == Style::percent)
        port.unitUri = std::string(unitsPrefix) + "pc";
    else if (port.map.style == Style::physical && info.unit && std::strcmp(info.unit, "ms") == 0)
        port.unitUri = std::string(unitsPrefix) + "ms";

    if (isNamed(info, "MmFilterType"))
        port.scalePoints = filterTypePoints();
    else if (isNamed(info, "PanShape") || isNamed(info, "CutoffModShape"))
        port.scalePoints = shapePoints();
    else if (isNamed(info, "MorphXParam") || isNamed(info, "MorphYParam"))
        port.scalePoints = morphTargetPoints();
    else if (isNamed(info, "PanSource") || isNamed(info, "CutoffModSource"))
        port.scalePoints = sourcePoints();
    port.enumeration = !port.scalePoints.empty();

    static const std::vector<std::string> symbols = controlSymbols();
    port.symbol = symbols[static_cast<size_t>(parameterIndex)];
    return port;
}

std::vector<std::string> controlSymbols()
{
    std::vector<std::string> names;
    for (uint32_t i = 0; i < controlCount; ++i)
        names.emplace_back(parameterInfo(static_cast<int>(i)).name);
    return makeSymbols(names);
}

std::vector<std::string> makeSymbols(const std::vector<std::string>& names)
{
    std::vector<std::string> bases;
    for (const std::string& name : names) {
        std::string s;
        for (unsigned char c : name)
            s += (std::isalnum(c) || c == '_') && c < 0x80 ? static_cast<char>(c) : '_';
        if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) s.insert(s.begin(), '_');
        bases.push_back(s);
    }
    return numberRepeatedNames(bases);
}

} // namespace OrvaneLv2Ports
