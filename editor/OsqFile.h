// OsqFile: one step pattern (16 step volumes and 16 ties) as an "osq" file.
//
// Layout (little-endian, no header text):
//   offset 0       32-bit signed 1 (written; ignored when reading)
//   offset 4       32-bit signed n, the step count (16 when written)
//   offset 8       n step volumes, IEEE 754 single precision
//   offset 8 + 4n  n ties, IEEE 754 single precision
// A written file is 8 + 8 * 16 = 136 bytes.
//
//   read(stream, pattern)        reads one image from stream; at most 16 steps are taken (the
//                                volumes from offset 8, the ties from offset 8 + 4n), nothing past
//                                the end is read. Refused (pattern untouched, false) when n is
//                                below 1, the data is shorter than 8 + 8n bytes, or a taken value
//                                is not finite
//   write(stream, pattern)       writes the 136-byte image of all 16 steps
//   load(path, pattern)          reads a file through ParamStream's file mode, which refuses an
//                                empty file or one of ParamStream::kBufferSize bytes or more
//   save(path, pattern)          builds the image in memory and writes it through a temporary file
//                                renamed over path, so a failed save leaves the old file whole
//
// load and save allocate and do I/O: user-interface thread only, never the audio path.
#pragma once

class ParamStream;

struct OsqPattern {
    static constexpr int kSteps = 16;
    int count = kSteps; // steps that hold values (a file may bring fewer than 16)
    float volumes[kSteps] = {};
    float ties[kSteps] = {};
};

class OsqFile
{
  public:
    static constexpr int kHeaderSize = 8;
    static constexpr int kFileSize = kHeaderSize + 8 * OsqPattern::kSteps; // 136
    static constexpr const char* kExtension = "osq";

    static bool read(ParamStream& stream, OsqPattern& pattern);
    static bool write(ParamStream& stream, const OsqPattern& pattern);
    static bool load(const char* path, OsqPattern& pattern);
    static bool save(const char* path, const OsqPattern& pattern);
};
