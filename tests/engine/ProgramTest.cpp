#include "engine/KsPlugin.h"
#include "engine/KsProgram.h"
#include "engine/ParamStream.h"
#include "engine/ParameterTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

std::vector<std::uint8_t> recordOf(KsProgram& program)
{
    std::vector<std::uint8_t> bytes(4096);
    ParamStream out;
    out.openMemoryWrite(bytes.data(), static_cast<int>(bytes.size()));
    EXPECT_TRUE(program.write(out));
    bytes.resize(static_cast<std::size_t>(out.getPosition()));
    out.close();
    return bytes;
}

bool allZero(const KsProgram& p)
{
    for (int i = 0; i < p.count; ++i)
        if (p.values[i] != 0.0f) return false;
    return true;
}

std::string tempPath(const char* name)
{
    return std::string(ORVANE_BINARY_DIR) + "/" + name;
}

TEST(OrvaneProgram, DefaultsAndIdentity)
{
    OrvaneProgram p;
    EXPECT_EQ(p.count, 344);
    EXPECT_EQ(p.id, 0x4B734F31u);
    EXPECT_STREQ(p.name, "Init");
    EXPECT_FLOAT_EQ(p.version, 1.0f);
    EXPECT_FLOAT_EQ(p.values[39], 0.77f); // "MasterVolume"
    EXPECT_FLOAT_EQ(p.values[37], 1.0f);  // "MasterOn"
    EXPECT_FLOAT_EQ(p.values[40], 0.01f); // "MorphXParam"
    EXPECT_FLOAT_EQ(p.values[23], 0.5f);  // "FlangerDelay"
    EXPECT_FLOAT_EQ(p.values[0], 0.0f);
    EXPECT_FLOAT_EQ(p.values[343], 0.0f);
}

TEST(OrvaneProgram, RecordRoundTrip)
{
    OrvaneProgram source;
    for (int i = 0; i < source.count; ++i)
        source.values[i] = static_cast<float>(i % 97) / 96.0f;
    source.setName("Dub Delay");
    const std::vector<std::uint8_t> bytes = recordOf(source);
    ASSERT_EQ(bytes.size(), 4u + 10u + 4u + 344u * 4u);

    OrvaneProgram same;
    ParamStream in;
    in.openMemoryRead(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_TRUE(same.read(in, OrvaneProgram::kId));
    EXPECT_STREQ(same.name, "Dub Delay");
    for (int i = 0; i < same.count; ++i)
        ASSERT_EQ(same.values[i], source.values[i]) << i;
}

TEST(OrvaneProgram, RefusedRecords)
{
    OrvaneProgram source;
    std::vector<std::uint8_t> good = recordOf(source);

    auto readFails = [](const std::vector<std::uint8_t>& bytes) {
        OrvaneProgram p;
        ParamStream in;
        in.openMemoryRead(bytes.data(), static_cast<int>(bytes.size()));
        const bool ok = p.read(in, OrvaneProgram::kId);
        return !ok && allZero(p);
    };
    // Count 400 (more than the program holds), a negative count, a negative version.
    const std::size_t countAt = 4 + 5;
    std::vector<std::uint8_t> big = good;
    const std::int32_t n400 = 400, negative = -1;
    std::memcpy(&big[countAt], &n400, 4);
    big.resize(big.size() + 56 * 4);
    EXPECT_TRUE(readFails(big));
    std::vector<std::uint8_t> neg = good;
    std::memcpy(&neg[countAt], &negative, 4);
    EXPECT_TRUE(readFails(neg));
    std::vector<std::uint8_t> oldVersion = good;
    const float minusOne = -1.0f;
    std::memcpy(&oldVersion[0], &minusOne, 4);
    EXPECT_TRUE(readFails(oldVersion));
    // Every truncation of a record is refused.
    for (std::size_t size = 0; size < good.size(); size += (size < 40 ? 1 : 97)) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
        EXPECT_TRUE(readFails(cut)) << size;
    }
}

TEST(ParamStream, BoundsAndTexts)
{
    std::uint8_t area[12] = {};
    ParamStream out;
    out.openMemoryWrite(area, sizeof area);
    EXPECT_TRUE(out.writeInt(7));
    EXPECT_TRUE(out.writeText("abcdef"));
    EXPECT_FALSE(out.writeFloat(1.0f)); // 11 + 4 > 12
    EXPECT_EQ(out.getPosition(), 11);
    EXPECT_TRUE(out.writeByte(9));
    EXPECT_FALSE(out.writeByte(9));

    ParamStream in;
    in.openMemoryRead(area, 12);
    std::int32_t i = 0;
    EXPECT_TRUE(in.readInt(i));
    EXPECT_EQ(i, 7);
    char shortText[4];
    EXPECT_TRUE(in.readText(shortText, sizeof shortText)); // cut, moves past the terminator
    EXPECT_STREQ(shortText, "abc");
    std::uint8_t b = 0;
    EXPECT_TRUE(in.readByte(b));
    EXPECT_EQ(b, 9);
    EXPECT_FALSE(in.readByte(b));
    in.back(2);
    EXPECT_EQ(in.getPosition(), 10);
    in.back(100);
    EXPECT_EQ(in.getPosition(), 0);

    const char unterminated[3] = {'a', 'b', 'c'};
    in.openMemoryRead(unterminated, 3);
    char text[8];
    EXPECT_FALSE(in.readText(text, sizeof text));
    EXPECT_EQ(in.getPosition(), 0);
}

TEST(ParamStream, Files)
{
    const std::string path = tempPath("paramstream-test.bin");
    OrvaneProgram source;
    source.setName("File");
    ParamStream out;
    ASSERT_TRUE(out.openWrite(path.c_str()));
    ASSERT_TRUE(source.write(out));
    ASSERT_TRUE(out.close());

    ParamStream in;
    ASSERT_TRUE(in.openRead(path.c_str()));
    OrvaneProgram back;
    EXPECT_TRUE(back.read(in, OrvaneProgram::kId));
    EXPECT_STREQ(back.name, "File");
    EXPECT_FLOAT_EQ(back.values[39], 0.77f);
    float extra = 0.0f;
    EXPECT_FALSE(in.readFloat(extra)); // nothing past the data
    in.close();

    // Empty files and files that fill the whole buffer are refused.
    for (std::size_t size : {std::size_t{0}, std::size_t{ParamStream::kBufferSize},
                             std::size_t{ParamStream::kBufferSize} + 10}) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::vector<char> zeros(size, 0);
        if (size) std::fwrite(zeros.data(), 1, size, f);
        std::fclose(f);
        EXPECT_FALSE(in.openRead(path.c_str())) << size;
    }
    EXPECT_FALSE(in.openRead((path + ".missing").c_str()));
    std::remove(path.c_str());
}

} // namespace
