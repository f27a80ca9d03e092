// Preset and bank files: exact headers, renaming, round trips, and refusal of every damaged or
// hostile file without any change.
#include "ShellTestSupport.h"

#include "shell/ProgramFile.h"

#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace shelltest;

namespace
{

std::uint32_t be32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return ProgramFile::bigEndian32(bytes.data() + at);
}

void putBe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    ProgramFile::storeBigEndian32(bytes.data() + at, value);
}

void putLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

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
        EXPECT_EQ(be32(bytes, at), value) << at;
    EXPECT_EQ(std::string(bytes.begin() + 28, bytes.begin() + 56), "Lead Pad" + std::string(20, '\0'));

    // Loading names the program after the file, whatever the header and record say.
    const auto other = root / "Other Name.fxp";
    std::filesystem::copy_file(path, other);
    shell->setProgram(7);
    ASSERT_TRUE(shell->loadPresetFile(other.c_str()));
    EXPECT_STREQ(shell->currentProgram()->name, "Other Name");
    EXPECT_FLOAT_EQ(shell->currentProgram()->values[28], 0.125f);
    EXPECT_FLOAT_EQ(shell->getParameter(28), 0.125f);

    // A name longer than the header's 28 bytes is cut there (no terminator), and a file name
    // longer than a program name is cut to 63 characters.
    const std::string longName(80, 'x');
    ASSERT_TRUE(shell->savePresetFile((root / (longName + ".fxp")).c_str()));
    EXPECT_EQ(std::string(shell->currentProgram()->name), std::string(63, 'x'));
    const auto longBytes = readBytes(root / (longName + ".fxp"));
    EXPECT_EQ(std::string(longBytes.begin() + 28, longBytes.begin() + 56), std::string(28, 'x'));
    // A path without an extension gives an empty name.
    ASSERT_TRUE(shell->savePresetFile((root / "noextension").c_str()));
    EXPECT_STREQ(shell->currentProgram()->name, "");
}

TEST_F(ShellTest, LegacyPresetIdentifierTakesOnlyTheName)
{
    auto shell = makeShell();
    const auto path = root / "Legacy.fxp";
    ASSERT_TRUE(shell->savePresetFile(path.c_str()));
    auto bytes = readBytes(path);
    std::memcpy(bytes.data() + 16, "KsQ3", 4);
    writeBytes(path, bytes);
    shell->setProgram(2);
    ASSERT_TRUE(shell->loadPresetFile(path.c_str()));
    EXPECT_STREQ(shell->currentProgram()->name, "Legacy");
    EXPECT_FLOAT_EQ(shell->currentProgram()->values[28], 0.0f);
}

TEST_F(ShellTest, BankRoundTripOfAllPrograms)
{
    auto shell = makeShell();
    for (int slot = 0; slot < 64; ++slot) {
        KsProgram& p = *shell->program(slot);
        p.setName(("Program " + std::to_string(slot)).c_str());
        for (int i = 0; i < p.count; ++i)
            p.values[i] = static_cast<float>((slot * 344 + i) % 101) / 100.0f;
    }
    shell->setProgram(0);
    const Snapshot saved(*shell);
    const auto path = root / "Round Trip.fxb";
    ASSERT_TRUE(shell->saveBankFile(path.c_str()));

    const auto bytes = readBytes(path);
    // "CcnK", size, "FBCh", program count, 128 bytes of zeros, the bank's size.
    const std::size_t bankFields[][2] = {
        {0, 0x43636E4B}, {4, bytes.size() - 8}, {8, 0x46424368}, {24, 64}, {156, bytes.size() - 160}};
    for (const auto& [at, value] : bankFields)
        EXPECT_EQ(be32(bytes, at), value) << at;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 28, bytes.begin() + 156),
              std::vector<std::uint8_t>(128));

    auto fresh = makeShell();
    ASSERT_TRUE(fresh->loadBankFile(path.c_str()));
    EXPECT_TRUE(Snapshot(*fresh) == saved);
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
    EXPECT_EQ(be32(bytes, 24), 70u);
    writeBytes(root / "big.fxb", bytes);
    ASSERT_TRUE(shell->loadBankFile((root / "big.fxb").c_str()));
    EXPECT_STREQ(shell->program(63)->name, "Big 63");
    EXPECT_STREQ(shell->program(0)->name, "Big 0");
    EXPECT_EQ(shell->getProgram(), 0);
}

TEST_F(ShellTest, DamagedAndHostileFilesAreRefusedWithoutChange)
{
    auto shell = makeShell();
    shell->program(5)->setName("Keep");
    shell->setProgram(5);
    shell->setParameter(28, 0.3f);
    const auto presetPath = root / "good.fxp";
    const auto bankPath = root / "good.fxb";
    ASSERT_TRUE(shell->saveBankFile(bankPath.c_str()));
    ASSERT_TRUE(shell->savePresetFile(presetPath.c_str()));
    shell->setProgramName("Keep");
    const auto preset = readBytes(presetPath);
    const auto bank = readBytes(bankPath);
    const Snapshot before(*shell);

    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool isBank;
    };
    std::vector<Case> cases;
    cases.push_back({"empty preset", {}, false});
    cases.push_back({"empty bank", {}, true});
    for (std::size_t cut :
         {std::size_t(3), std::size_t(40), std::size_t(59), std::size_t(66), preset.size() - 1})
        cases.push_back(
            {"truncated preset", {preset.begin(), preset.begin() + static_cast<long>(cut)}, false});
    for (std::size_t cut : {std::size_t(100), std::size_t(159), bank.size() / 2, bank.size() - 1})
        cases.push_back({"truncated bank", {bank.begin(), bank.begin() + static_cast<long>(cut)}, true});

    auto oversized = preset;
    oversized.resize(ProgramFile::kMaxFileSize, 0);
    cases.push_back({"preset of 1536000 bytes", oversized, false});
    auto oversizedBank = bank;
    oversizedBank.resize(ProgramFile::kMaxFileSize + 4096, 0);
    cases.push_back({"bank beyond 1536000 bytes", oversizedBank, true});

    // Copies of the good files with one 32-bit field replaced, big-endian in the header and
    // little-endian in the records.
    const auto be = [](std::vector<std::uint8_t> b, std::size_t at, std::uint32_t v) {
        putBe32(b, at, v);
        return b;
    };
    const auto le = [](std::vector<std::uint8_t> b, std::size_t at, std::uint32_t v) {
        putLe32(b, at, v);
        return b;
    };
    const std::size_t recordSize = (bank.size() - 160) / 64;
    const std::size_t presetValues = 60 + 4 + std::strlen("good") + 1 + 4;
    auto hugeBankCount = be(bank, 24, 0x7FFFFFFFu);
    hugeBankCount.resize(hugeBankCount.size() - 10);
    std::vector<std::uint8_t> noTerminator(preset.begin(), preset.begin() + 64);
    noTerminator.resize(4000, 'A');
    const Case hostile[] = {
        {"preset with wrong magic", be(preset, 0, 0x52494646u), false}, // "RIFF"
        {"bank with wrong magic", be(bank, 0, 0x43636E58u), true},      // "CcnX"
        {"preset of another plug-in", be(preset, 16, 0x41626364u), false},
        {"preset with negative value count", be(preset, 24, 0xFFFFFFFFu), false},
        {"bank with negative program count", be(bank, 24, 0x80000000u), true},
        {"bank with a huge program count and a short last record", hugeBankCount, true},
        {"preset record with negative version", le(preset, 60, 0xBF800000u), false}, // -1.0f
        {"preset record with a huge value count", le(preset, 60 + 4 + std::strlen("good") + 1, 0x7FFFFFFFu),
         false},
        {"preset record name without terminator", noTerminator, false},
        // A bank whose 40th record is damaged: nothing of the 39 good ones may be taken.
        {"bank with a damaged 40th record", le(bank, 160 + 39 * recordSize, 0xBF800000u), true},
        // Each kind of file told by its format magic, whatever the rest says.
        {"bank given as a preset", bank, false},
        {"preset given as a bank", preset, true},
        {"preset with the bank magic", be(preset, 8, ProgramFile::kBankMagic), false},
        {"bank with the preset magic", be(bank, 8, ProgramFile::kPresetMagic), true},
        // Values that are not finite: the record is "version, name, count, values".
        {"preset with a NaN value", le(preset, presetValues + 4 * 28, 0x7FC00000u), false},
        {"preset with an infinite value", le(preset, presetValues, 0xFF800000u), false},
        {"bank with an infinite value in its 40th record",
         le(bank, 160 + 39 * recordSize + 4 + std::strlen("Init") + 1 + 4 + 8, 0x7F800000u), true},
    };
    cases.insert(cases.end(), std::begin(hostile), std::end(hostile));

    for (const Case& c : cases) {
        const auto path = root / (c.isBank ? "case.fxb" : "case.fxp");
        writeBytes(path, c.bytes);
        const bool loaded =
            c.isBank ? shell->loadBankFile(path.c_str()) : shell->loadPresetFile(path.c_str());
        EXPECT_FALSE(loaded) << c.what;
        EXPECT_TRUE(Snapshot(*shell) == before) << c.what;
    }
    EXPECT_FALSE(shell->loadPresetFile((root / "missing.fxp").c_str()));
    EXPECT_FALSE(shell->loadBankFile(root.c_str()));
    EXPECT_FALSE(shell->loadPresetFile(nullptr));
    EXPECT_TRUE(Snapshot(*shell) == before);
}

TEST_F(ShellTest, FailedSavesKeepTheOldFile)
{
    auto shell = makeShell();
    const auto bankPath = root / "keep.fxb";
    const auto presetPath = root / "keep.fxp";
    ASSERT_TRUE(shell->saveBankFile(bankPath.c_str()));
    ASSERT_TRUE(shell->savePresetFile(presetPath.c_str()));
    const auto oldBank = readBytes(bankPath);
    const auto oldPreset = readBytes(presetPath);

    EXPECT_FALSE(shell->saveBankFile((root / "no such folder" / "x.fxb").c_str()));
    EXPECT_FALSE(shell->saveBankFile(root.c_str()));

    // Out of space half way: the limit lets the temporary file start but not finish.
    shell->program(0)->setName("Changed");
    struct rlimit old {
    };
    getrlimit(RLIMIT_FSIZE, &old);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool bankSaved = shell->saveBankFile(bankPath.c_str());
    const bool presetSaved = shell->savePresetFile(presetPath.c_str());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(bankSaved);
    EXPECT_FALSE(presetSaved);
    EXPECT_EQ(readBytes(bankPath), oldBank);
    EXPECT_EQ(readBytes(presetPath), oldPreset);
}
