#include "shell/ProgramFile.h"

#include "engine/KsProgram.h"
#include "engine/ParamStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace
{

// The seven header integers that preset and bank images share.
struct Header {
    std::uint32_t chunkMagic;
    std::uint32_t byteSize;
    std::uint32_t formatMagic;
    std::uint32_t formatVersion;
    std::uint32_t id;
    std::uint32_t pluginVersion;
    std::int32_t count; // value count (preset) or program count (bank)
};

bool readHeader(const std::uint8_t* data, std::size_t size, std::size_t headerSize, Header& header)
{
    if (!data || size < headerSize || size >= static_cast<std::size_t>(ProgramFile::kMaxFileSize))
        return false;
    std::uint32_t words[7];
    for (int i = 0; i < 7; ++i)
        words[i] = ProgramFile::bigEndian32(data + 4 * i);
    header = {
        words[0], words[1], words[2], words[3], words[4], words[5], static_cast<std::int32_t>(words[6])};
    return true;
}

// A bank image: the chunk magic, the bank's format magic (a preset image is refused) and a
// program count that is not negative.
bool isBankHeader(const Header& header)
{
    return header.chunkMagic == ProgramFile::kChunkMagic && header.formatMagic == ProgramFile::kBankMagic &&
           header.count >= 0;
}

void writeHeader(std::uint8_t* bytes, std::uint32_t formatMagic, std::uint32_t fxId, std::int32_t count,
                 std::size_t fileSize)
{
    ProgramFile::storeBigEndian32(bytes, ProgramFile::kChunkMagic);
    ProgramFile::storeBigEndian32(bytes + 4, static_cast<std::uint32_t>(fileSize - 8));
    ProgramFile::storeBigEndian32(bytes + 8, formatMagic);
    ProgramFile::storeBigEndian32(bytes + 12, 1);
    ProgramFile::storeBigEndian32(bytes + 16, fxId);
    ProgramFile::storeBigEndian32(bytes + 20, 1);
    ProgramFile::storeBigEndian32(bytes + 24, static_cast<std::uint32_t>(count));
}

// A program of the same shape (count and id) holding a copy of another's contents.
std::unique_ptr<KsProgram> scratchLike(const KsProgram& program)
{
    auto copy = std::make_unique<KsProgram>(program.count, program.id);
    copy->setName(program.name);
    copy->version = program.version;
    std::copy(program.values.get(), program.values.get() + program.count, copy->values.get());
    return copy;
}

// A record whose values are not all finite is damaged: such a value would reach the engine
// and every program saved from it.
bool valuesAreFinite(const KsProgram& program)
{
    return std::all_of(program.values.get(), program.values.get() + program.count,
                       [](float v) { return std::isfinite(v); });
}

void copyInto(const KsProgram& from, KsProgram& to)
{
    to.setName(from.name);
    to.version = from.version;
    const int n = std::min(from.count, to.count);
    std::copy(from.values.get(), from.values.get() + n, to.values.get());
}

} // namespace

std::uint32_t ProgramFile::bigEndian32(const std::uint8_t* bytes)
{
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
           (std::uint32_t(bytes[2]) << 8) | std::uint32_t(bytes[3]);
}

void ProgramFile::storeBigEndian32(std::uint8_t* bytes, std::uint32_t value)
{
    bytes[0] = std::uint8_t(value >> 24);
    bytes[1] = std::uint8_t(value >> 16);
    bytes[2] = std::uint8_t(value >> 8);
    bytes[3] = std::uint8_t(value);
}

bool ProgramFile::buildPreset(KsProgram& program, std::uint32_t fxId, std::vector<std::uint8_t>& bytes)
{
    bytes.assign(kMaxFileSize, 0);
    ParamStream stream;
    stream.openMemoryWrite(bytes.data() + kPresetHeaderSize, kMaxFileSize - kPresetHeaderSize);
    const bool written = program.write(stream);
    const int recordSize = stream.getPosition();
    stream.close();
    if (!written) {
        bytes.clear();
        return false;
    }
    const std::size_t fileSize = kPresetHeaderSize + static_cast<std::size_t>(recordSize);
    writeHeader(bytes.data(), kPresetMagic, fxId, program.count, fileSize);
    // The name field holds at most 28 bytes; a shorter name is zero-padded.
    std::memcpy(bytes.data() + 28, program.name, strnlen(program.name, kPresetNameSize));
    storeBigEndian32(bytes.data() + 56, static_cast<std::uint32_t>(recordSize));
    bytes.resize(fileSize);
    return true;
}

bool ProgramFile::buildBank(KsProgram* const* programs, int count, std::uint32_t fxId,
                            std::vector<std::uint8_t>& bytes)
{
    bytes.assign(kMaxFileSize, 0);
    ParamStream stream;
    stream.openMemoryWrite(bytes.data() + kBankHeaderSize, kMaxFileSize - kBankHeaderSize);
    bool written = true;
    for (int i = 0; i < count && written; ++i)
        written = programs[i] && programs[i]->write(stream);
    const int recordsSize = stream.getPosition();
    stream.close();
    if (!written) {
        bytes.clear();
        return false;
    }
    const std::size_t fileSize = kBankHeaderSize + static_cast<std::size_t>(recordsSize);
    writeHeader(bytes.data(), kBankMagic, fxId, count, fileSize);
    storeBigEndian32(bytes.data() + 156, static_cast<std::uint32_t>(recordsSize));
    bytes.resize(fileSize);
    return true;
}

bool ProgramFile::readPreset(const std::uint8_t* data, std::size_t size, KsProgram& program)
{
    Header header{};
    if (!readHeader(data, size, kPresetHeaderSize, header)) return false;
    // The format magic tells a preset from a bank: a bank read as a preset would give a
    // program of zeros from its reserved bytes.
    if (header.chunkMagic != kChunkMagic || header.formatMagic != kPresetMagic || header.count < 0)
        return false;
    if (header.id != program.id && header.id != kLegacyId) return false;

    auto scratch = scratchLike(program);
    ParamStream stream;
    stream.openMemoryRead(data + kPresetHeaderSize, static_cast<int>(size - kPresetHeaderSize));
    const bool ok = scratch->read(stream, header.id) && valuesAreFinite(*scratch);
    stream.close();
    if (!ok) return false;
    copyInto(*scratch, program);
    return true;
}

bool ProgramFile::readBank(const std::uint8_t* data, std::size_t size, KsProgram* const* programs, int count)
{
    Header header{};
    if (!readHeader(data, size, kBankHeaderSize, header) || !isBankHeader(header)) return false;

    const int slots = std::min(header.count, count);
    std::vector<std::unique_ptr<KsProgram>> scratch;
    scratch.reserve(static_cast<std::size_t>(slots));
    ParamStream stream;
    stream.openMemoryRead(data + kBankHeaderSize, static_cast<int>(size - kBankHeaderSize));
    bool ok = true;
    for (int i = 0; i < slots && ok; ++i) {
        if (!programs[i]) {
            ok = false;
            break;
        }
        scratch.push_back(scratchLike(*programs[i]));
        ok = scratch.back()->read(stream, header.id) && valuesAreFinite(*scratch.back());
    }
    stream.close();
    if (!ok) return false;
    for (int i = 0; i < slots; ++i)
        copyInto(*scratch[static_cast<std::size_t>(i)], *programs[i]);
    return true;
}

void ProgramFile::readBankNames(const std::uint8_t* data, std::size_t size, KsProgram& scratch,
                                std::vector<std::string>& names)
{
    names.clear();
    Header header{};
    if (!readHeader(data, size, kBankHeaderSize, header) || !isBankHeader(header)) return;
    // A bank holds at most 64 programs; a larger declared count must not make this loop long.
    const int slots = std::min<int>(header.count, kBankSlots);
    ParamStream stream;
    stream.openMemoryRead(data + kBankHeaderSize, static_cast<int>(size - kBankHeaderSize));
    for (int i = 0; i < slots; ++i) {
        if (!scratch.read(stream, header.id)) break;
        names.emplace_back(scratch.name);
    }
    stream.close();
}

int ProgramFile::readRecords(const std::uint8_t* data, std::size_t size, KsProgram* const* programs,
                             int count)
{
    if (!data || size < 1 || size > static_cast<std::size_t>(std::numeric_limits<int>::max()) || !programs ||
        count < 0)
        return -1;
    std::vector<std::unique_ptr<KsProgram>> scratch;
    scratch.reserve(static_cast<std::size_t>(count));
    ParamStream stream;
    stream.openMemoryRead(data, static_cast<int>(size));
    for (int i = 0; i < count; ++i) {
        if (!programs[i]) return -1;
        scratch.push_back(scratchLike(*programs[i]));
        // A record that fails keeps what its read left (values 0); the next one is read from
        // where it stopped. A failed read zeroes its values, so only a complete record can
        // bring a value that is not finite.
        scratch.back()->read(stream, programs[i]->id);
        if (!valuesAreFinite(*scratch.back())) return -1;
    }
    const int consumed = stream.getPosition();
    stream.close();
    for (int i = 0; i < count; ++i)
        copyInto(*scratch[static_cast<std::size_t>(i)], *programs[i]);
    return consumed;
}

std::string ProgramFile::nameFromPath(const char* path)
{
    if (!path) return {};
    const std::string text = path;
    const std::size_t slash = text.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = text.rfind('.');
    if (dot == std::string::npos || dot < start) return {};
    std::string name = text.substr(start, dot - start);
    // A program name holds kNameSize - 1 bytes.
    if (name.size() >= KsProgram::kNameSize) name.resize(KsProgram::kNameSize - 1);
    return name;
}
