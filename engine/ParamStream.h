// ParamStream: byte stream over a file or a memory area in which program records
// are written and read. Values are stored in memory byte order (little-endian).
//
// File modes use one buffer of kBufferSize bytes allocated by openRead/openWrite
// (never on the audio path). Reads never run past the end of the data and writes
// never past the end of the buffer: such an operation fails and moves nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

class ParamStream
{
  public:
    static constexpr int kBufferSize = 1536000;
    enum Mode { ReadFile = 0, WriteFile = 1, ReadMemory = 2, WriteMemory = 3, Closed = -1 };

    ParamStream() = default;
    ~ParamStream();
    ParamStream(const ParamStream&) = delete;
    ParamStream& operator=(const ParamStream&) = delete;

    // Opens a file for writing; false if it cannot be created.
    bool openWrite(const char* path);
    // Reads a whole file into the buffer; false unless it holds 1 to kBufferSize - 1 bytes.
    bool openRead(const char* path);
    // Reads size bytes of memory that the caller keeps alive until close.
    void openMemoryRead(const void* data, int size);
    // Writes into memory of capacity bytes that the caller keeps alive until close.
    void openMemoryWrite(void* data, int capacity);

    bool writeFloat(float value);
    bool writeInt(std::int32_t value);
    bool writeByte(std::uint8_t value);
    // The text's bytes and a terminating zero.
    bool writeText(const char* text);
    bool readFloat(float& value);
    bool readInt(std::int32_t& value);
    bool readByte(std::uint8_t& value);
    // Reads a zero-terminated text into dest (destSize bytes). A longer text is
    // cut and terminated, and the stream moves past its terminator; a text
    // without a terminator before the end of the data fails.
    bool readText(char* dest, int destSize);
    // Moves the position n bytes back (not before the start).
    void back(int n);
    // Writing to a file: writes the buffered bytes and reports whether all of
    // them reached the file. Releases the buffer and the file in every mode.
    bool close();

    int getPosition() const { return position; }
    int getSize() const { return size; }
    int getMode() const { return mode; }
    const std::uint8_t* data() const { return readBuffer; }

    // Fields, in the order of the design.
    std::FILE* file = nullptr;
    int position = 0;
    int size = 0; // bytes of data (read modes) or capacity (write modes)
    std::uint8_t* writeBuffer = nullptr;
    const std::uint8_t* readBuffer = nullptr;
    int mode = Closed;

  private:
    bool readBytes(void* out, int count);
    bool writeBytes(const void* in, int count);
    std::unique_ptr<std::uint8_t[]> owned;
};
