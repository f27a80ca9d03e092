#include "shell/ProgramFile.h"

#include "engine/KsProgram.h"
#include "engine/ParamStream.h"

#include <algorithm>
#include <cstring>
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
    if (header.chunkMagic != kChunkMagic || header.count < 0) return false;
    if (header.id != program.id && header.id != kLegacyId) return false;

    auto scratch = scratchLike(program);
    ParamStream stream;
    stream.openMemoryRead(data + kPresetHeaderSize, static_cast<int>(size - kPresetHeaderSize));
    const bool ok = scratch->read(stream, header.id);
    stream.close();
    if (!ok) return false;
    copyInto(*scratch, program);
    return true;
}

bool ProgramFile::readBank(const std::uint8_t* data, std::size_t size, KsProgram* const* programs, int count)
{
    Header header{};
    if (!readHeader(data, size, kBankHeaderSize, header)) return false;
    if (header.chunkMagic != kChunkMagic || header.count < 0) return false;

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
        ok = scratch.back()->read(stream, header.id);
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
    if (!readHeader(data, size, kBankHeaderSize, header)) return;
    if (header.chunkMagic != kChunkMagic || header.count < 0) return;
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
