// The shell's processing core, identity, programs, events and time information.
#include "ShellTestSupport.h"

#include "engine/Orvane.h"

#include <cmath>
#include <cstring>

using namespace shelltest;

namespace
{

constexpr int kBlock = 512;

// One block of a test signal (with silent first and last samples when asked) through
// processReplacing.
struct Block {
    std::vector<float> inL, inR, outL = std::vector<float>(kBlock, 9.0f), outR = outL;

    explicit Block(bool silentEnds)
    {
        for (int i = 0; i < kBlock; ++i) {
            const bool silent = silentEnds && (i == 0 || i == kBlock - 1);
            inL.push_back(silent ? 0.0f : 0.3f * std::sin(0.05f * static_cast<float>(i)));
            inR.push_back(silent ? 0.0f : 0.2f * std::cos(0.03f * static_cast<float>(i)));
        }
    }
    void run(KsPluginVST& shell)
    {
        float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {outL.data(), outR.data()};
        shell.processReplacing(in, out, kBlock);
    }
    bool passedThrough() const { return inL == outL && inR == outR; }
};

} // namespace

TEST_F(ShellTest, ProgramNamesAndSlots)
{
    auto shell = makeShell();
    char text[kVstTextSize];
    shell->setProgram(4);
    shell->setProgramName("Lead");
    // Out-of-range indices a host may send are refused and change nothing.
    EXPECT_FALSE(shell->getProgramNameIndexed(0, 64, text));
    EXPECT_FALSE(shell->getProgramNameIndexed(0, -1, text));
    VstPinProperties pin;
    EXPECT_FALSE(shell->getOutputProperties(-1, &pin));
    shell->getParameterName(9999, text);
    EXPECT_STREQ(text, "");
    shell->setProgram(64);
    shell->setProgram(-3);
    EXPECT_EQ(shell->getProgram(), 4);
    EXPECT_FALSE(shell->copyProgram(64));

    // copyProgram takes the current program's name and values.
    shell->setParameter(28, 0.25f);
    EXPECT_TRUE(shell->copyProgram(9));
    EXPECT_STREQ(shell->program(9)->name, "Lead");
    EXPECT_FLOAT_EQ(shell->program(9)->values[28], 0.25f);

    // resetProgram: defaults applied to the engine, and the name follows them.
    shell->resetProgram();
    const OrvaneProgram defaults;
    EXPECT_STREQ(shell->currentProgram()->name, "Init");
    shell->getProgramName(text);
    EXPECT_STREQ(text, "Init 5");
    for (int i = 0; i < defaults.count; ++i) {
        ASSERT_EQ(shell->currentProgram()->values[i], defaults.values[i]) << i;
        ASSERT_FLOAT_EQ(shell->getParameter(i), defaults.values[i]) << i;
    }
}

TEST_F(ShellTest, ParameterWritesReachTheProgramAndProgramsApplyMasterOn)
{
    auto shell = makeShell();
    // A selector stores its rounded value: 0.034 holds entry 3.
    const int shape = index(*shell, "PanShape");
    shell->setParameter(shape, 0.034f);
    EXPECT_FLOAT_EQ(shell->currentProgram()->values[shape], 0.03f);

    // A program with "MasterOn" off makes the shell pass audio through, and one with it on
    // processes again, whatever the state before the change.
    const int masterOn = index(*shell, "MasterOn");
    shell->program(1)->values[masterOn] = 0.0f;
    shell->setProgram(1);
    EXPECT_TRUE(shell->getEngine()->masterOff.load());
    shell->setProgram(0);
    EXPECT_FALSE(shell->getEngine()->masterOff.load());
}

TEST_F(ShellTest, SilenceAfterSixteenSecondsPassesThroughUntilSoundReturns)
{
    auto shell = makeShell();
    // Let the master gain settle so that a processed block is recognisably different.
    for (int i = 0; i < 20; ++i)
        Block(false).run(*shell);

    const int silentBlocks = 16 * 48000 / kBlock; // 1500 blocks: exactly 16 s
    for (int i = 0; i < silentBlocks; ++i) {
        Block block(true);
        block.run(*shell);
        ASSERT_FALSE(block.passedThrough()) << "block " << i << " is still within the 16 s";
    }
    Block beyond(true);
    beyond.run(*shell);
    EXPECT_TRUE(beyond.passedThrough());
    EXPECT_EQ(shell->getEngine()->readPeak(0), 0.0f);

    Block sound(false);
    sound.run(*shell);
    EXPECT_FALSE(sound.passedThrough());
    EXPECT_GT(shell->getEngine()->readPeak(0), 0.0f);
}

TEST_F(ShellTest, MasterOffPassesThroughInBothForms)
{
    auto shell = makeShell();
    shell->setParameter(index(*shell, "MasterOn"), 0.0f);
    Block block(false);
    block.run(*shell);
    EXPECT_TRUE(block.passedThrough());

    // The accumulating form adds the input to what the outputs hold.
    std::vector<float> outL(kBlock, 1.0f), outR(kBlock, 1.0f);
    float* in[2] = {block.inL.data(), block.inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    shell->process(in, out, kBlock);
    for (int i = 0; i < kBlock; ++i) {
        ASSERT_FLOAT_EQ(outL[i], 1.0f + block.inL[i]);
        ASSERT_FLOAT_EQ(outR[i], 1.0f + block.inR[i]);
    }
    // Degenerate blocks do nothing harmful.
    shell->processReplacing(in, out, 0);
    shell->processReplacing(in, out, -5);
}

TEST_F(ShellTest, TimeInformationStep)
{
    auto shell = makeShell(false);
    KsPlugin& engine = *shell->getEngine();
    // Before the first resume the engine runs at 120 from position 0, whatever the host says.
    host.time.tempo = 140.0;
    host.time.ppqPos = 32.0;
    Block(false).run(*shell);
    EXPECT_FLOAT_EQ(engine.tempo.load(), 120.0f);

    shell->resume();
    Block(false).run(*shell);
    EXPECT_FLOAT_EQ(engine.tempo.load(), 140.0f);
    EXPECT_NEAR(engine.songPosition.load(), 32.0 + kBlock * 140.0 / (48000.0 * 60.0), 1e-6);

    // Transport stopped at a new position with the same tempo: a normal block leaves the
    // engine's own position alone ...
    host.time.ppqPos = 8.5;
    host.time.flags = 0;
    Block(false).run(*shell);
    EXPECT_GT(engine.songPosition.load(), 32.0);
    // ... but changing "PanRate" forces the step, so the modulators re-align at once.
    shell->setParameter(index(*shell, "PanRate"), 0.3f);
    EXPECT_DOUBLE_EQ(engine.songPosition.load(), 8.5);
    host.time.ppqPos = 4.0;

    // While playing, a position jump of more than 0.001 quarter notes is followed.
    host.time.flags = kVstTransportPlaying;
    Block(false).run(*shell);
    EXPECT_GT(engine.songPosition.load(), 4.0);
    EXPECT_LT(engine.songPosition.load(), 4.1);

    // A forced step without any host record falls back to 120 from 0.
    host.present = false;
    shell->setParameter(index(*shell, "CutoffModRateSync"), 0.0f);
    EXPECT_FLOAT_EQ(engine.tempo.load(), 120.0f);
    EXPECT_DOUBLE_EQ(engine.songPosition.load(), 0.0);
}

TEST_F(ShellTest, BankSelectThenProgramChange)
{
    // Four bank files; the one named with "Demo" is left out of the list.
    std::filesystem::create_directories(dataFolder);
    {
        auto maker = makeShell();
        const char* banks[] = {"A Bank", "B Bank", "Big Demo", "C Bank"};
        for (const char* bank : banks) {
            for (int slot = 0; slot < 64; ++slot)
                maker->program(slot)->setName((std::string(bank) + " " + std::to_string(slot)).c_str());
            ASSERT_TRUE(maker->saveBankFile((dataFolder / (std::string(bank) + ".fxb")).c_str()));
        }
    }
    auto shell = makeShell();
    ASSERT_EQ(shell->bankCount(), 3);
    EXPECT_EQ(shell->bankName(2), "C Bank");
    EXPECT_EQ(shell->getLoadedBank(), 0);
    EXPECT_STREQ(shell->currentProgram()->name, "A Bank 0");
    EXPECT_EQ(shell->bankProgramNames(1).at(63), "B Bank 63");

    sendMidi(*shell, {{0xB0, 0, 2, 0}, {0xC0, 5, 0, 0}});
    EXPECT_EQ(shell->getLoadedBank(), 2);
    EXPECT_EQ(shell->getProgram(), 5);
    EXPECT_STREQ(shell->currentProgram()->name, "C Bank 5");

    // A bank above the count selects the last bank; a program above 63 selects 63.
    sendMidi(*shell, {{0xB3, 0, 100, 0}, {0xC3, 120, 0, 0}});
    EXPECT_EQ(shell->getLoadedBank(), 2);
    EXPECT_EQ(shell->getProgram(), 63);
}

TEST_F(ShellTest, ChunkRoundTripAndRefusals)
{
    auto from = makeShell();
    for (int slot = 0; slot < 64; ++slot) {
        // Names of equal length, so that every record has the same size.
        from->program(slot)->setName(("Slot " + std::to_string(100 + slot)).c_str());
        from->program(slot)->values[28] = static_cast<float>(slot) / 64.0f;
    }
    from->setProgram(3);
    from->setParameter(35, 0.75f);

    void* data = nullptr;
    const VstInt32 bankSize = from->getChunk(&data, false);
    ASSERT_GT(bankSize, 0);
    std::vector<std::uint8_t> bank(static_cast<std::uint8_t*>(data),
                                   static_cast<std::uint8_t*>(data) + bankSize);
    const VstInt32 presetSize = from->getChunk(&data, true);
    EXPECT_EQ(presetSize * 64, bankSize);

    auto to = makeShell();
    EXPECT_EQ(to->setChunk(bank.data(), bankSize, false), bankSize);
    for (int slot = 0; slot < 64; ++slot) {
        EXPECT_STREQ(to->program(slot)->name, from->program(slot)->name);
        EXPECT_FLOAT_EQ(to->program(slot)->values[28], static_cast<float>(slot) / 64.0f);
    }
    EXPECT_FLOAT_EQ(to->program(3)->values[35], 0.75f);

    const auto before = snapshot(*to);
    EXPECT_EQ(to->setChunk(nullptr, 100, false), 0);
    EXPECT_EQ(to->setChunk(bank.data(), -1, true), 0);
    EXPECT_TRUE(snapshot(*to) == before);

    // A bank chunk with only ten complete records: the remaining slots are failed reads
    // (values 0); the bytes read are the ten records and what the eleventh could read.
    const VstInt32 consumed = to->setChunk(bank.data(), presetSize * 10 + 7, false);
    EXPECT_GE(consumed, presetSize * 10);
    EXPECT_LE(consumed, presetSize * 10 + 7);
    EXPECT_STREQ(to->program(9)->name, "Slot 109");
    EXPECT_FLOAT_EQ(to->program(40)->values[28], 0.0f);

    // A value that is not finite anywhere in a chunk refuses the whole chunk: nothing changes.
    const std::size_t value28 = 4 + std::strlen("Slot 100") + 1 + 4 + 4 * 28;
    const auto beforeHostile = snapshot(*to);
    const std::uint32_t nan = 0x7FC00000u;
    auto hostileBank = bank;
    std::memcpy(hostileBank.data() + static_cast<std::size_t>(presetSize) * 50 + value28, &nan, 4);
    EXPECT_EQ(to->setChunk(hostileBank.data(), bankSize, false), 0);
    EXPECT_TRUE(snapshot(*to) == beforeHostile);
}
