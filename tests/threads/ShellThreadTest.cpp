// A host's two threads on one shell: audio blocks on one, automation, programs and chunks on the
// other. Under ThreadSanitizer this finds data races; in every
// build it checks that nothing crashes and the output stays finite and bounded.
#include "tests/shell/ShellTestSupport.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <random>
#include <thread>

namespace
{

using shelltest::ShellTest;
using ShellThreadTest = ShellTest;

constexpr int kPrograms = 8;   // programs the control thread switches between
constexpr int kMaxBlock = 512; // the audio thread cycles through block sizes up to this

// A shell that runs one audio block from inside a program change, right after the program's
// "MasterOn" was applied: the moment at which an audio thread could enter a half-applied program.
class BlockDuringProgramChange : public OrvaneVST
{
  public:
    BlockDuringProgramChange() : OrvaneVST(shelltest::hostCallback) {}
    void afterSetParameter(VstInt32 index, float value) override
    {
        OrvaneVST::afterSetParameter(index, value);
        if (!armed || index != getEngine()->parameterIndex("MasterOn")) return;
        armed = false;
        std::fill(left.begin(), left.end(), 0.5f);
        std::fill(right.begin(), right.end(), -0.5f);
        float* channels[2] = {left.data(), right.data()};
        processReplacing(channels, channels, static_cast<VstInt32>(left.size()));
    }
    bool armed = false;
    std::vector<float> left = std::vector<float>(64), right = std::vector<float>(64);
};

TEST_F(ShellThreadTest, NoBlockRunsTheEngineWhileAProgramIsApplied)
{
    for (const bool masterOn : {true, false}) {
        SCOPED_TRACE(masterOn ? "program with the master on" : "program with the master off");
        BlockDuringProgramChange shell;
        shell.setSampleRate(48000.0f);
        shell.resume();
        // Both programs have a quiet master, so that a block the engine ran would not be the
        // input; program 1 switches the master on or off.
        for (const int p : {0, 1}) {
            shell.setProgram(p);
            shell.setParameter(index(shell, "MasterVolume"), 0.1f);
            shell.setParameter(index(shell, "MasterOn"), p == 0 || masterOn ? 1.0f : 0.0f);
        }
        shell.setProgram(0);
        shell.armed = true;
        shell.setProgram(1);
        EXPECT_FALSE(shell.armed);
        EXPECT_TRUE(std::all_of(shell.left.begin(), shell.left.end(), [](float x) { return x == 0.5f; }));
        EXPECT_TRUE(std::all_of(shell.right.begin(), shell.right.end(), [](float x) { return x == -0.5f; }));
        // Once applied, the program's own switch decides.
        EXPECT_EQ(shell.getEngine()->masterOff.load(), !masterOn);
    }
}

TEST_F(ShellThreadTest, HostCallsWhileAudioRunsLeaveOutputFinite)
{
    auto shell = makeShell();
    // The first programs get different settings with every section on, so that every unit of
    // the chain runs; a bank chunk is made of them.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int count = shell->currentProgram()->count;
    for (int p = 0; p < kPrograms; ++p) {
        shell->setProgram(p);
        for (int i = 0; i < count; ++i)
            shell->setParameter(i, unit(random));
        for (const char* name : {"TranceGateOn", "PanOn", "MmFilterOn", "CutoffModOn", "DistOn", "FlangerOn",
                                 "DelayOn", "ReverbOn", "MasterOn"})
            shell->setParameter(index(*shell, name), 1.0f);
        shell->setParameter(index(*shell, "MasterVolume"), 0.5f);
    }
    void* data = nullptr;
    const VstInt32 bankSize = shell->getChunk(&data, false);
    ASSERT_GT(bankSize, 0);
    std::vector<std::uint8_t> bankChunk(static_cast<std::uint8_t*>(data),
                                        static_cast<std::uint8_t*>(data) + bankSize);
    shell->setProgram(0);

    // The audio thread processes a stereo sine in blocks of changing size (8, 57, 400, 241, ...)
    // and counts what it heard.
    std::atomic<bool> stop{false};
    std::atomic<long> blocksDone{0};
    long blocks = 0, nonFinite = 0;
    std::thread audio([&] {
        std::vector<float> left(kMaxBlock), right(kMaxBlock);
        float* channels[2] = {left.data(), right.data()};
        double phase = 0.0;
        for (int size = 1; !stop.load(std::memory_order_relaxed);) {
            size = size * 7 % kMaxBlock + 1;
            for (int i = 0; i < size; ++i, phase += 2.0 * std::numbers::pi * 220.0 / 48000.0) {
                left[i] = static_cast<float>(0.5 * std::sin(phase));
                right[i] = static_cast<float>(0.5 * std::cos(phase));
            }
            shell->processReplacing(channels, channels, size);
            for (int i = 0; i < size; ++i)
                for (const float* channel : channels)
                    nonFinite += !std::isfinite(channel[i]);
            blocksDone.store(++blocks, std::memory_order_relaxed);
        }
    });
    // Wait until audio runs, so that the calls below overlap it from the first one on.
    while (blocksDone.load(std::memory_order_relaxed) < 4)
        std::this_thread::yield();

    std::uniform_int_distribution<int> anyParameter(0, count - 1);
    char text[kVstTextSize * 4];
    for (int round = 0; round < 120; ++round) {
        for (int k = 0; k < 8; ++k) {
            const int i = anyParameter(random);
            shell->setParameter(i, unit(random));
            shell->getParameterDisplay(i, text);
            (void)shell->getParameter(i);
        }
        if (round % 3 == 0) shell->setProgram(round / 3 % kPrograms);
        if (round % 3 == 1) {
            EXPECT_EQ(shell->setChunk(bankChunk.data(), bankSize, false), bankSize);
        }
        // Programs switched on and off, which also raises and lowers the pass-through.
        if (round % 3 == 2) shell->setParameter(index(*shell, "MasterOn"), static_cast<float>(round / 3 % 2));
    }
    // Let the audio thread run on what the last calls left, then stop it.
    const long seen = blocksDone.load(std::memory_order_relaxed);
    shell->setParameter(index(*shell, "MasterOn"), 1.0f);
    while (blocksDone.load(std::memory_order_relaxed) < seen + 8)
        std::this_thread::yield();
    stop.store(true, std::memory_order_relaxed);
    audio.join();
    EXPECT_GE(blocks, 12);
    EXPECT_EQ(nonFinite, 0);
}

} // namespace
