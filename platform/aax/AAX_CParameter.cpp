#include "platform/aax/AAX_CParameter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

void writeText(char* text, uint32_t size, const char* from)
{
    if (text && size > 0) std::snprintf(text, size, "%s", from);
}

// Chunk layout, all numbers little-endian: the magic "AXPC", the version 1, the entry count,
// then per entry the identifier's length (1..255, 2 bytes), its bytes and the normalised value
// as a 64-bit IEEE double.
constexpr uint8_t kMagic[4] = {'A', 'X', 'P', 'C'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 12;
constexpr size_t kMaxIdLength = 255;

void putU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t getU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace

void AAX_CBinaryDisplayDelegate::ValueToString(double real, char* text, uint32_t size) const
{
    writeText(text, size, real >= 0.5 ? on.c_str() : off.c_str());
}

void AAX_CNumberDisplayDelegate::ValueToString(double real, char* text, uint32_t size) const
{
    if (text && size > 0) std::snprintf(text, size, "%.*f", places, real);
}

AAX_CParameter::AAX_CParameter(std::string identifier, std::string parameterName, double defaultNormalized,
                               std::unique_ptr<AAX_ITaperDelegate> taperDelegate,
                               std::unique_ptr<AAX_IDisplayDelegate> displayDelegate, bool isAutomatable)
    : id(std::move(identifier)), name(std::move(parameterName)),
      defaultValue(std::clamp(std::isfinite(defaultNormalized) ? defaultNormalized : 0.0, 0.0, 1.0)),
      value(defaultValue), taper(std::move(taperDelegate)), display(std::move(displayDelegate)),
      automatable(isAutomatable)
{
}

void AAX_CParameter::GetValueString(double normalized, char* text, uint32_t size) const
{
    display->ValueToString(taper->NormalizedToReal(std::clamp(normalized, 0.0, 1.0)), text, size);
}

void AAX_CParameter::SetNormalizedValue(double normalized)
{
    if (std::isnan(normalized)) return;
    value.store(std::clamp(normalized, 0.0, 1.0), std::memory_order_relaxed);
}

bool AAX_CParameter::GetValueAsBool(bool* result) const
{
    if (!result) return false;
    *result = taper->NormalizedToReal(GetNormalizedValue()) >= 0.5;
    return true;
}

bool AAX_CParameter::GetValueAsFloat(float* result) const
{
    if (!result) return false;
    *result = static_cast<float>(taper->NormalizedToReal(GetNormalizedValue()));
    return true;
}

AAX_CParameter* AAX_CParameterManager::AddParameter(std::unique_ptr<AAX_CParameter> parameter)
{
    if (!parameter || byId.count(std::string_view(parameter->Identifier()))) return nullptr;
    AAX_CParameter* added = parameter.get();
    byId.emplace(added->Identifier(), added);
    parameters.push_back(std::move(parameter));
    return added;
}

AAX_CParameter* AAX_CParameterManager::GetParameter(int32_t index) const
{
    if (index < 0 || index >= NumParameters()) return nullptr;
    return parameters[static_cast<size_t>(index)].get();
}

AAX_CParameter* AAX_CParameterManager::GetParameterByID(AAX_CParamID id) const
{
    if (!id) return nullptr;
    const auto found = byId.find(std::string_view(id));
    return found == byId.end() ? nullptr : found->second;
}

void AAX_WriteParameterChunk(const AAX_CParameterManager& manager, std::vector<uint8_t>& out)
{
    out.insert(out.end(), std::begin(kMagic), std::end(kMagic));
    putU32(out, kVersion);
    putU32(out, static_cast<uint32_t>(manager.NumParameters()));
    for (int32_t i = 0; i < manager.NumParameters(); ++i) {
        const AAX_CParameter* p = manager.GetParameter(i);
        const size_t length = std::min(std::strlen(p->Identifier()), kMaxIdLength);
        out.push_back(static_cast<uint8_t>(length & 0xFF));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.insert(out.end(), p->Identifier(), p->Identifier() + length);
        const double v = p->GetNormalizedValue();
        uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        for (int b = 0; b < 8; ++b)
            out.push_back(static_cast<uint8_t>(bits >> (8 * b)));
    }
}

bool AAX_ReadParameterChunk(const uint8_t* data, size_t size, std::vector<AAX_SChunkEntry>& entries)
{
    entries.clear();
    if (!data || size < kHeaderSize || std::memcmp(data, kMagic, 4) != 0 || getU32(data + 4) != kVersion)
        return false;
    const uint32_t count = getU32(data + 8);
    // Every entry takes at least 11 bytes: a count the data cannot hold is refused before anything
    // is reserved for it.
    if (count > (size - kHeaderSize) / 11) return false;
    std::vector<AAX_SChunkEntry> parsed;
    parsed.reserve(count);
    size_t at = kHeaderSize;
    for (uint32_t e = 0; e < count; ++e) {
        if (size - at < 2) return false;
        const size_t length = static_cast<size_t>(data[at]) | (static_cast<size_t>(data[at + 1]) << 8);
        at += 2;
        if (length == 0 || length > kMaxIdLength || size - at < length + 8) return false;
        std::string id(reinterpret_cast<const char*>(data + at), length);
        if (id.find('\0') != std::string::npos) return false;
        at += length;
        uint64_t bits = 0;
        for (int b = 0; b < 8; ++b)
            bits |= static_cast<uint64_t>(data[at + static_cast<size_t>(b)]) << (8 * b);
        at += 8;
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value) || value < 0.0 || value > 1.0) return false;
        parsed.push_back({std::move(id), value});
    }
    if (at != size) return false;
    entries = std::move(parsed);
    return true;
}
