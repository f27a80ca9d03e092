#include "editor/OsqFile.h"

#include "engine/ParamStream.h"
#include "platform/os/OsFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

bool OsqFile::read(ParamStream& stream, OsqPattern& pattern)
{
    const int start = stream.getPosition();
    std::int32_t version = 0;
    std::int32_t n = 0;
    if (!stream.readInt(version) || !stream.readInt(n) || n < 1) return false;
    // The whole image must be there, even the steps beyond those taken: a shorter file is cut off.
    const std::int64_t needed = kHeaderSize + 8 * std::int64_t(n);
    if (std::int64_t(stream.getSize()) - start < needed) return false;

    OsqPattern loaded;
    loaded.count = std::min<int>(n, OsqPattern::kSteps);
    // The ties start after all n volumes; volumes beyond the 16th are skipped.
    for (int s = 0; s < loaded.count; ++s)
        if (!stream.readFloat(loaded.volumes[s])) return false;
    float skipped = 0.0f;
    for (int s = loaded.count; s < n; ++s)
        if (!stream.readFloat(skipped)) return false;
    for (int s = 0; s < loaded.count; ++s)
        if (!stream.readFloat(loaded.ties[s])) return false;
    for (int s = 0; s < loaded.count; ++s)
        if (!std::isfinite(loaded.volumes[s]) || !std::isfinite(loaded.ties[s])) return false;
    pattern = loaded;
    return true;
}

bool OsqFile::write(ParamStream& stream, const OsqPattern& pattern)
{
    bool ok = stream.writeInt(1) && stream.writeInt(OsqPattern::kSteps);
    for (int s = 0; s < OsqPattern::kSteps && ok; ++s)
        ok = stream.writeFloat(pattern.volumes[s]);
    for (int s = 0; s < OsqPattern::kSteps && ok; ++s)
        ok = stream.writeFloat(pattern.ties[s]);
    return ok;
}

bool OsqFile::load(const char* path, OsqPattern& pattern)
{
    ParamStream stream;
    if (!stream.openRead(path)) return false;
    const bool ok = read(stream, pattern);
    stream.close();
    return ok;
}

bool OsqFile::save(const char* path, const OsqPattern& pattern)
{
    if (!path) return false;
    std::uint8_t bytes[kFileSize];
    ParamStream stream;
    stream.openMemoryWrite(bytes, kFileSize);
    const bool written = write(stream, pattern) && stream.getPosition() == kFileSize;
    stream.close();
    return written && os::writeFileAtomically(path, bytes, kFileSize);
}
