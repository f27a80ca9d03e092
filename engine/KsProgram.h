// KsProgram: a stored set of normalised parameter values with a name; the unit
// of the host chunk and of preset and bank files. OrvaneProgram supplies the
// product's defaults.
//
// Program record: float version; name text with terminating zero; 32-bit count;
// count floats (normalised values in index order).
#pragma once

#include "engine/RelaxedAtomic.h"

#include <cstdint>
#include <memory>

class ParamStream;
class KsPlugin;

// Four-character code with the first character in the most significant byte.
constexpr std::uint32_t fourCharCode(const char (&c)[5])
{
    return (std::uint32_t(std::uint8_t(c[0])) << 24) | (std::uint32_t(std::uint8_t(c[1])) << 16) |
           (std::uint32_t(std::uint8_t(c[2])) << 8) | std::uint32_t(std::uint8_t(c[3]));
}

class KsProgram
{
  public:
    static constexpr int kNameSize = 64; // 63 characters and the terminator
    // Name of a program at its defaults (at construction and after clear).
    static constexpr const char* kInitName = "Init";

    // count values set to 0, the name "Init". Derived classes call setDefaults
    // from their own constructor.
    KsProgram(int count, std::uint32_t id);
    virtual ~KsProgram();
    KsProgram(const KsProgram&) = delete;
    KsProgram& operator=(const KsProgram&) = delete;

    // Virtual operations, in slot order.
    // 0: all values 0, then setDefaults; the name becomes "Init".
    virtual void clear();
    // 1: writes the record; false when the stream refused a byte.
    virtual bool write(ParamStream& stream);
    // 2: reads a record. Values are set to 0 first; with a matching id the
    // stored values are read, with another id they stay 0. Fails (values 0)
    // on a negative version, a count above this program's count, or a record
    // that runs past the end of the data.
    virtual bool read(ParamStream& stream, std::uint32_t streamId);
    // 3: writes the default values (nothing in the base).
    virtual void setDefaults();
    // 4: after a successful read.
    virtual void afterRead(ParamStream& stream, std::uint32_t streamId, float streamVersion);
    // 5: after a write.
    virtual void afterWrite(ParamStream& stream, float streamVersion);

    // value[i] = engine.getParameter(i) for every index below count.
    void copyFrom(const KsPlugin& engine);
    // Copies a name, cut to the name field (the program's own name is left as it is).
    void setName(const char* text);

    char name[kNameSize] = {};
    // The shell's audio thread copies parameter changes the engine made itself into the current
    // program while host threads read and write programs, so each value is a relaxed atomic.
    std::unique_ptr<RelaxedAtomic<float>[]> values;
    int count = 0;
    float version = 1.0f;
    std::uint32_t id = 0;
};

class OrvaneProgram : public KsProgram
{
  public:
    static constexpr std::uint32_t kId = fourCharCode("KsO1");
    // 344 values with the product defaults, id "KsO1", version 1.0.
    OrvaneProgram();
    // The product defaults of the parameter table.
    void setDefaults() override;
};
