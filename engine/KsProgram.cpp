#include "engine/KsProgram.h"

#include "engine/KsPlugin.h"
#include "engine/ParamStream.h"
#include "engine/ParameterTable.h"

#include <algorithm>
#include <cstdio>

KsProgram::KsProgram(int count_, std::uint32_t id_)
    : values(new RelaxedAtomic<float>[std::max(count_, 0)]()), count(std::max(count_, 0)), id(id_)
{
    setName(kInitName);
}

KsProgram::~KsProgram() = default;

void KsProgram::clear()
{
    std::fill(values.get(), values.get() + count, 0.0f);
    setDefaults();
    // The name follows the values: a program at the defaults is the initial program.
    setName(kInitName);
}

bool KsProgram::write(ParamStream& stream)
{
    bool ok = stream.writeFloat(version) && stream.writeText(name) && stream.writeInt(count);
    for (int i = 0; ok && i < count; ++i)
        ok = stream.writeFloat(values[i]);
    afterWrite(stream, version);
    return ok;
}

bool KsProgram::read(ParamStream& stream, std::uint32_t streamId)
{
    std::fill(values.get(), values.get() + count, 0.0f);
    float streamVersion = 0.0f;
    if (!stream.readFloat(streamVersion) || !(streamVersion >= 0.0f)) return false;
    char text[kNameSize];
    if (!stream.readText(text, kNameSize)) return false;
    setName(text);
    if (streamId == id) {
        std::int32_t stored = 0;
        if (!stream.readInt(stored) || stored < 0 || stored > count) return false;
        for (int i = 0; i < stored; ++i) {
            float value = 0.0f;
            if (!stream.readFloat(value)) {
                std::fill(values.get(), values.get() + count, 0.0f);
                return false;
            }
            values[i] = value;
        }
    }
    afterRead(stream, streamId, streamVersion);
    return true;
}

void KsProgram::setDefaults() {}
void KsProgram::afterRead(ParamStream&, std::uint32_t, float) {}
void KsProgram::afterWrite(ParamStream&, float) {}

void KsProgram::copyFrom(const KsPlugin& engine)
{
    for (int i = 0; i < count; ++i)
        values[i] = engine.getParameter(i);
}

void KsProgram::setName(const char* text)
{
    if (text == name) return;
    std::snprintf(name, sizeof name, "%s", text ? text : "");
}

OrvaneProgram::OrvaneProgram() : KsProgram(kAutomatableCount, kId)
{
    version = 1.0f;
    OrvaneProgram::setDefaults();
}

void OrvaneProgram::setDefaults()
{
    for (int i = 0; i < count && i < kParameterCount; ++i) {
        const float d = parameterInfo(i).defaultValue;
        if (d != 0.0f) values[i] = d;
    }
}
