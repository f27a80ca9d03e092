#include "engine/ParamStream.h"

#include <cstring>

ParamStream::~ParamStream()
{
    close();
}

bool ParamStream::openWrite(const char* path)
{
    close();
    if (!path) return false;
    file = std::fopen(path, "wb");
    if (!file) return false;
    owned.reset(new std::uint8_t[kBufferSize]);
    writeBuffer = owned.get();
    readBuffer = nullptr;
    mode = WriteFile;
    position = 0;
    size = kBufferSize;
    return true;
}

bool ParamStream::openRead(const char* path)
{
    close();
    if (!path) return false;
    file = std::fopen(path, "rb");
    if (!file) return false;
    owned.reset(new std::uint8_t[kBufferSize]());
    const std::size_t got = std::fread(owned.get(), 1, kBufferSize, file);
    // A file that fills the whole buffer may be longer than it: refuse it.
    if (got < 1 || got >= static_cast<std::size_t>(kBufferSize)) {
        std::fclose(file);
        file = nullptr;
        owned.reset();
        return false;
    }
    readBuffer = owned.get();
    writeBuffer = nullptr;
    mode = ReadFile;
    position = 0;
    size = static_cast<int>(got);
    return true;
}

void ParamStream::openMemoryRead(const void* data, int dataSize)
{
    close();
    readBuffer = static_cast<const std::uint8_t*>(data);
    writeBuffer = nullptr;
    size = data && dataSize > 0 ? dataSize : 0;
    position = 0;
    mode = ReadMemory;
}

void ParamStream::openMemoryWrite(void* data, int capacity)
{
    close();
    writeBuffer = static_cast<std::uint8_t*>(data);
    readBuffer = nullptr;
    size = data && capacity > 0 ? capacity : 0;
    position = 0;
    mode = WriteMemory;
}

bool ParamStream::writeBytes(const void* in, int count)
{
    if ((mode != WriteFile && mode != WriteMemory) || !writeBuffer || count < 0 || count > size - position)
        return false;
    std::memcpy(writeBuffer + position, in, static_cast<std::size_t>(count));
    position += count;
    return true;
}

bool ParamStream::readBytes(void* out, int count)
{
    if ((mode != ReadFile && mode != ReadMemory) || !readBuffer || count < 0 || count > size - position)
        return false;
    std::memcpy(out, readBuffer + position, static_cast<std::size_t>(count));
    position += count;
    return true;
}

bool ParamStream::writeFloat(float value)
{
    return writeBytes(&value, 4);
}
bool ParamStream::writeInt(std::int32_t value)
{
    return writeBytes(&value, 4);
}
bool ParamStream::writeByte(std::uint8_t value)
{
    return writeBytes(&value, 1);
}

bool ParamStream::writeText(const char* text)
{
    if (!text) text = "";
    const std::size_t length = std::strlen(text) + 1;
    if (length > static_cast<std::size_t>(kBufferSize)) return false;
    return writeBytes(text, static_cast<int>(length));
}

bool ParamStream::readFloat(float& value)
{
    return readBytes(&value, 4);
}
bool ParamStream::readInt(std::int32_t& value)
{
    return readBytes(&value, 4);
}
bool ParamStream::readByte(std::uint8_t& value)
{
    return readBytes(&value, 1);
}

bool ParamStream::readText(char* dest, int destSize)
{
    if ((mode != ReadFile && mode != ReadMemory) || !readBuffer || !dest || destSize < 1) return false;
    const std::uint8_t* start = readBuffer + position;
    const void* end = std::memchr(start, 0, static_cast<std::size_t>(size - position));
    if (!end) return false;
    const int length = static_cast<int>(static_cast<const std::uint8_t*>(end) - start);
    const int copied = length < destSize - 1 ? length : destSize - 1;
    std::memcpy(dest, start, static_cast<std::size_t>(copied));
    dest[copied] = '\0';
    position += length + 1;
    return true;
}

void ParamStream::back(int n)
{
    if (n <= 0) return;
    position = n > position ? 0 : position - n;
}

bool ParamStream::close()
{
    bool ok = true;
    if (mode == WriteFile && file && writeBuffer) {
        const std::size_t count = static_cast<std::size_t>(position);
        ok = std::fwrite(writeBuffer, 1, count, file) == count;
    }
    if (file) {
        if (std::fclose(file) != 0) ok = false;
        file = nullptr;
    }
    owned.reset();
    writeBuffer = nullptr;
    readBuffer = nullptr;
    position = 0;
    size = 0;
    mode = Closed;
    return ok;
}
