// ProgramFile: images of preset files ("fxp"), bank files ("fxb") and the program names of a
// bank, built from and read into KsProgram objects.
//
// Preset image: "CcnK", byte size, "FPCh", format version 1, plug-in id, plug-in version 1,
// value count, 28-byte program name, record size (all header integers big-endian), then one
// program record. Bank image: "CcnK", byte size, "FBCh", 1, plug-in id, 1, program count,
// 128 reserved bytes, size of all records, then the records in slot order.
//
// Operations (all static; they allocate, so never call them on the audio thread):
//   buildPreset(program, fxId, bytes)          one preset image
//   buildBank(programs, count, fxId, bytes)    one bank image
//   readPreset(data, size, program)            all or nothing: the header must be acceptable and
//                                              the record must read completely, or program is
//                                              left exactly as it was and the result is false
//   readBank(data, size, programs, count)      all or nothing for min(declared, count) records;
//                                              slots beyond the declared count are untouched
//   readBankNames(data, size, scratch, names)  names of the records of a bank image, up to the
//                                              first record that fails (at most 64)
//   readRecords(data, size, programs, count)   bare records (a host chunk) into count programs,
//                                              one after the other; a record that fails leaves
//                                              its program as the failed read left it and the
//                                              next is read from where it stopped. Returns the
//                                              bytes read, or -1 (nothing changed) when a
//                                              record holds a value that is not finite
//
// Preset images must carry "FPCh" and bank images "FBCh"; an image whose record holds a value
// that is not finite is refused whole.
//   nameFromPath(path)                         the file's base name, cut to a program name
//   bigEndian32 / storeBigEndian32             header integer helpers
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class KsProgram;

class ProgramFile
{
  public:
    static constexpr std::uint32_t kChunkMagic = 0x43636E4B;  // "CcnK"
    static constexpr std::uint32_t kPresetMagic = 0x46504368; // "FPCh"
    static constexpr std::uint32_t kBankMagic = 0x46424368;   // "FBCh"
    static constexpr std::uint32_t kLegacyId = 0x4B735133;    // "KsQ3": older presets, names only
    static constexpr int kPresetHeaderSize = 60;
    static constexpr int kBankHeaderSize = 160;
    static constexpr int kPresetNameSize = 28;
    static constexpr int kBankReservedSize = 128;
    static constexpr int kBankSlots = 64;
    // Every image lives in, and every file must fit, one buffer of this size (exclusive).
    static constexpr int kMaxFileSize = 1536000;

    static bool buildPreset(KsProgram& program, std::uint32_t fxId, std::vector<std::uint8_t>& bytes);
    static bool buildBank(KsProgram* const* programs, int count, std::uint32_t fxId,
                          std::vector<std::uint8_t>& bytes);
    static bool readPreset(const std::uint8_t* data, std::size_t size, KsProgram& program);
    static bool readBank(const std::uint8_t* data, std::size_t size, KsProgram* const* programs, int count);
    static void readBankNames(const std::uint8_t* data, std::size_t size, KsProgram& scratch,
                              std::vector<std::string>& names);
    static int readRecords(const std::uint8_t* data, std::size_t size, KsProgram* const* programs, int count);
    static std::string nameFromPath(const char* path);

    static std::uint32_t bigEndian32(const std::uint8_t* bytes);
    static void storeBigEndian32(std::uint8_t* bytes, std::uint32_t value);
};
