// Preset and bank files: exact headers, renaming, round trips, and refusal of every damaged or
// hostile file without any change.
#include "ShellTestSupport.h"

#include "shell/ProgramFile.h"

#include <cstring>

using namespace shelltest;

TEST_F(ShellTest, PresetFileHeaderAndRenaming)
{
    auto shell = makeShell();
    shell->setProgramName("Something Else");
    shell->setParameter(28, 0.125f);
    const auto path = root / "Lead Pad.fxp";
    ASSERT_TRUE(shell->savePresetFile(path.c_str()));
    EXPECT_STREQ(shell->currentProgram()->name, "Lead Pad");

    const auto bytes = readBytes(path);
    const std::size_t record = 4 + std::strlen("Lead Pad") + 1 + 4 + 344 * 4;
    ASSERT_EQ(bytes.size(), 60 + record);
    // "CcnK", size, "FPCh", version, "KsO1", version, value count, name, record size.
    const std::size_t presetFields[][2] = {{0, 0x43636E4B}, {4, bytes.size() - 8}, {8, 0x46504368},
                                           {12, 1},         {16, 0x4B734F31},      {20, 1},
                                           {24, 344},       {56, record}};
    for (const auto& [at, value] : presetFields)
        EXPECT_EQ(ProgramFile::bigEndian32(bytes.data() + at), value) << at;
    EXPECT_EQ(std::string(bytes.begin() + 28, bytes.begin() + 56), "Lead Pad" + std::string(20, '\0'));

    // Loading names the program after the file, whatever the header and record say.
    const auto other = root / "Other Name.fxp";
    std::filesystem::copy_file(path, other);
    shell->setProgram(7);
    ASSERT_TRUE(shell->loadPresetFile(other.c_str()));
    EXPECT_STREQ(shell->currentProgram()->name, "Other Name");
    EXPECT_FLOAT_EQ(shell->currentProgram()->values[28], 0.125f);
    EXPECT_FLOAT_EQ(shell->getParameter(28), 0.125f);

    // A preset with the legacy identifier gives only its name.
    auto legacy = bytes;
    std::memcpy(legacy.data() + 16, "KsQ3", 4);
    writeBytes(root / "Legacy.fxp", legacy);
    shell->setProgram(2);
    ASSERT_TRUE(shell->loadPresetFile((root / "Legacy.fxp").c_str()));
    EXPECT_STREQ(shell->currentProgram()->name, "Legacy");
    EXPECT_FLOAT_EQ(shell->currentProgram()->values[28], 0.0f);
}

TEST_F(ShellTest, BankDeclaringMoreThan64ProgramsLoadsTheFirst64)
{
    auto shell = makeShell();
    std::vector<std::unique_ptr<OrvaneProgram>> programs;
    std::vector<KsProgram*> slots;
    for (int i = 0; i < 70; ++i) {
        programs.push_back(std::make_unique<OrvaneProgram>());
        programs.back()->setName(("Big " + std::to_string(i)).c_str());
        slots.push_back(programs.back().get());
    }
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ProgramFile::buildBank(slots.data(), 70, OrvaneProgram::kId, bytes));
    EXPECT_EQ(ProgramFile::bigEndian32(bytes.data() + 24), 70u);
    writeBytes(root / "big.fxb", bytes);
    ASSERT_TRUE(shell->loadBankFile((root / "big.fxb").c_str()));
    EXPECT_STREQ(shell->program(63)->name, "Big 63");
    EXPECT_STREQ(shell->program(0)->name, "Big 0");
    EXPECT_EQ(shell->getProgram(), 0);
}

TEST_F(ShellTest, DamagedAndHostileFilesAreRefusedWithoutChange)
{
    auto shell = makeShell();
    shell->setProgram(5);
    shell->setParameter(28, 0.3f);
    ASSERT_TRUE(shell->saveBankFile((root / "good.fxb").c_str()));
    ASSERT_TRUE(shell->savePresetFile((root / "good.fxp").c_str()));
    const auto preset = readBytes(root / "good.fxp"), bank = readBytes(root / "good.fxb");
    const auto before = snapshot(*shell);

    // Copies of the good files with one 32-bit field replaced, big-endian in the header and
    // little-endian in the records ("version, name, count, values").
    const auto be = [](std::vector<std::uint8_t> b, std::size_t at, std::uint32_t v) {
        ProgramFile::storeBigEndian32(b.data() + at, v);
        return b;
    };
    const auto le = [](std::vector<std::uint8_t> b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        return b;
    };
    const std::size_t recordSize = (bank.size() - 160) / 64, presetCount = 60 + 4 + std::strlen("good") + 1;
    auto oversizedBank = bank;
    oversizedBank.resize(ProgramFile::kMaxFileSize + 4096, 0);
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool isBank;
    } cases[] = {
        {"truncated preset", {preset.begin(), preset.end() - 1}, false},
        {"bank beyond 1536000 bytes", oversizedBank, true},
        {"preset with wrong magic", be(preset, 0, 0x52494646u), false}, // "RIFF"
        {"preset of another plug-in", be(preset, 16, 0x41626364u), false},
        {"preset record with a huge value count", le(preset, presetCount, 0x7FFFFFFFu), false},
        // A bank whose 40th record is damaged: nothing of the 39 good ones may be taken.
        {"bank with a damaged 40th record", le(bank, 160 + 39 * recordSize, 0xBF800000u), true},
        // Each kind of file told by its format magic, whatever the rest says.
        {"bank given as a preset", bank, false},
        {"preset with a NaN value", le(preset, presetCount + 4 + 4 * 28, 0x7FC00000u), false},
    };
    for (const auto& c : cases) {
        const auto path = root / (c.isBank ? "case.fxb" : "case.fxp");
        writeBytes(path, c.bytes);
        EXPECT_FALSE(c.isBank ? shell->loadBankFile(path.c_str()) : shell->loadPresetFile(path.c_str()))
            << c.what;
        EXPECT_TRUE(snapshot(*shell) == before) << c.what;
    }
    EXPECT_FALSE(shell->loadPresetFile((root / "missing.fxp").c_str()));
    EXPECT_FALSE(shell->loadPresetFile(nullptr));
    EXPECT_TRUE(snapshot(*shell) == before);
}
