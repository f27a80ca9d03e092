// The plug-in in a host of our own: processing with and without the optional features, control
// ports, MIDI (controllers, pattern notes, bank select and program change through the worker),
// time:Position, and state saved and restored in either order. Every block checks that run()
// allocated nothing.

#include "AllocationCounter.h"
#include "Lv2TestHost.h"
#include "Lv2TestSupport.h"

#include "engine/ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

int indexOf(const char* name)
{
    for (int i = 0; i < kParameterCount; ++i)
        if (std::strcmp(parameterInfo(i).name, name) == 0) return i;
    return -1;
}

void fillSine(Lv2TestHost& host, uint32_t frames, uint32_t start)
{
    for (uint32_t i = 0; i < frames; ++i) {
        host.inLeft[i] = 0.5f * std::sin(0.031f * static_cast<float>(start + i));
        host.inRight[i] = 0.5f * std::sin(0.017f * static_cast<float>(start + i));
    }
}

// Runs blocks of a sine through the host.
void runSine(Lv2TestHost& host, int blocks, uint32_t frames = 256)
{
    static uint32_t clock = 0;
    for (int b = 0; b < blocks; ++b) {
        fillSine(host, frames, clock);
        clock += frames;
        host.run(frames);
    }
}

TEST(Lv2Host, ProcessesWithAndWithoutOptionalFeatures)
{
    ScopedDataFolder folder;
    struct Case {
        bool urid, worker;
    };
    for (const Case c : {Case{true, true}, Case{false, false}, Case{true, false}}) {
        SCOPED_TRACE(testing::Message() << "urid " << c.urid << ", worker " << c.worker);
        Lv2TestHost host({48000.0, c.urid, c.worker});
        ASSERT_TRUE(host.ok());
        host.setControl("DelayOn", 1.0f);
        host.setControl("ReverbOn", 1.0f);
        runSine(host, 20);
        float energy = 0.0f;
        for (uint32_t i = 0; i < 256; ++i) {
            ASSERT_TRUE(std::isfinite(host.outLeft[i]) && std::isfinite(host.outRight[i]));
            energy += host.outLeft[i] * host.outLeft[i];
        }
        EXPECT_GT(energy, 0.01f);
        EXPECT_GT(host.output(host.portIndex("LevelMeterL")), 0.0f);
        // Without URID map there is no state to save.
        EXPECT_EQ(host.save().empty(), !c.urid);

        // "MasterOn" off passes the input through exactly, and the meters drop to zero.
        host.setControl("MasterOn", 0.0f);
        runSine(host, 2);
        for (uint32_t i = 0; i < 256; ++i) {
            ASSERT_EQ(host.outLeft[i], host.inLeft[i]);
            ASSERT_EQ(host.outRight[i], host.inRight[i]);
        }
        EXPECT_EQ(host.output(host.portIndex("LevelMeterR")), 0.0f);
        EXPECT_EQ(host.allocationsInRun, 0);
    }
}

TEST(Lv2Host, ControlPortsAreWrittenOnlyWhenTheyChange)
{
    ScopedDataFolder folder;
    Lv2TestHost host;
    ASSERT_TRUE(host.ok());
    const int xcita = indexOf("DistXcita");

    // Port values in their host units reach the shell as normalised values.
    struct Case {
        const char* symbol;
        float portValue;
        float normalised;
    };
    for (const Case c : {Case{"DistXcita", 73.0f, 0.73f}, Case{"MmFilterType", 20.0f, 0.2f},
                         Case{"FlangerDelay", 5.05f, 0.5f}, Case{"MmFilterCutoff", 0.25f, 0.25f},
                         Case{"Chain3", 7.0f, 0.07f}, Case{"SeqPat2PanOn", 1.0f, 1.0f},
                         Case{"DistSoftSat", 250.0f, 1.0f}, Case{"ReverbSize", -4.0f, 0.0f}}) {
        SCOPED_TRACE(c.symbol);
        host.setControl(c.symbol, c.portValue);
        runSine(host, 1);
        const std::vector<float> values = currentValuesOf(host.save());
        ASSERT_EQ(values.size(), 344u);
        EXPECT_NEAR(values[host.portIndex(c.symbol)], c.normalised, 1e-6f);
    }

    // A MIDI controller (29 drives "DistXcita") moves the parameter; the unchanged port does
    // not take it back in the next block, a moved port does.
    host.setControl("DistXcita", 73.0f);
    runSine(host, 1);
    host.midi(0, 0xB0, 29, 127);
    runSine(host, 2);
    EXPECT_EQ(currentValuesOf(host.save())[xcita], 1.0f);
    host.setControl("DistXcita", 10.0f);
    runSine(host, 1);
    EXPECT_FLOAT_EQ(currentValuesOf(host.save())[xcita], 0.1f);

    // A port holding NaN is ignored.
    host.setControl("DistXcita", NAN);
    runSine(host, 1);
    EXPECT_FLOAT_EQ(currentValuesOf(host.save())[xcita], 0.1f);
    EXPECT_EQ(host.allocationsInRun, 0);
}

TEST(Lv2Host, PatternNotesSelectTheGateChain)
{
    ScopedDataFolder folder;
    Lv2TestHost host;
    ASSERT_TRUE(host.ok());
    host.setControl("SeqMidiNoteTrigger", 1.0f);
    host.setControl("SeqPat1TGateOn", 1.0f);
    runSine(host, 1);
    host.midi(10, 0x90, 52, 100); // pattern 5 of the gate chain
    runSine(host, 1, 128);
    const std::vector<float> values = currentValuesOf(host.save());
    ASSERT_EQ(values.size(), 344u);
    for (int p = 0; p < kPatternCount; ++p)
        EXPECT_EQ(values[gateChainIndex(p)], p == 4 ? 1.0f : 0.0f) << "pattern " << p + 1;
    EXPECT_EQ(host.allocationsInRun, 0);
}

// The delay at "1/4" (one beat) echoes an impulse one beat later: the tempo comes from
// time:Position, or is 120 without it.
TEST(Lv2Host, TransportTempoReachesTheEngine)
{
    ScopedDataFolder folder;
    struct Case {
        double bpm; // 0: no time:Position
        uint32_t echoFrame;
    };
    for (const Case c : {Case{0.0, 24000}, Case{150.0, 19200}, Case{96.0, 30000}}) {
        SCOPED_TRACE(c.bpm);
        Lv2TestHost host;
        ASSERT_TRUE(host.ok());
        host.setControl("DelayOn", 1.0f);
        host.setControl("DelayMix", 100.0f);
        host.setControl("DelayRateSync", 1.0f);
        host.setControl("DelayLRate", 0.5f);
        host.setControl("DelayRRate", 0.5f);
        const uint32_t block = 512, impulse = 1000;
        std::vector<float> out;
        for (uint32_t start = 0; start < 36000; start += block) {
            if (start == 0 && c.bpm > 0.0) host.position(0, c.bpm, 0.0, 1.0);
            for (uint32_t i = 0; i < block; ++i)
                host.inLeft[i] = host.inRight[i] = (start + i == impulse) ? 1.0f : 0.0f;
            host.run(block);
            out.insert(out.end(), host.outLeft.begin(), host.outLeft.begin() + block);
        }
        const auto peak = std::max_element(out.begin() + impulse + 2000, out.end(),
                                           [](float a, float b) { return std::fabs(a) < std::fabs(b); });
        const long at = static_cast<long>(peak - out.begin()) - static_cast<long>(impulse);
        EXPECT_NEAR(at, static_cast<long>(c.echoFrame), 64);
        EXPECT_GT(std::fabs(*peak), 0.1f);
        EXPECT_EQ(host.allocationsInRun, 0);
    }
}

TEST(Lv2Host, BankSelectAndProgramChangeLoadThroughTheWorker)
{
    ScopedDataFolder folder;
    writeBank(folder.orvaneData() + "00 Factory.fxb", "First", {});
    writeBank(folder.orvaneData() + "01 Second.fxb", "Second", {0, 0, 0, 0, 0, 0.42f, 0, 0.24f});
    Lv2TestHost host;
    ASSERT_TRUE(host.ok());
    runSine(host, 1);
    const int xcita = indexOf("DistXcita");

    // Bank 1, program 6: run() only hands the file work to the worker.
    host.midi(0, 0xB0, 0, 1);
    host.midi(1, 0xC0, 5, 0);
    runSine(host, 1);
    EXPECT_EQ(host.queuedWork(), 1u);
    EXPECT_EQ(programIndexOf(host.save()), 0);

    // A program change sent before the worker is done waits for it.
    host.midi(0, 0xC0, 7, 0);
    runSine(host, 1);
    EXPECT_EQ(host.runWorker(), 1);
    Lv2TestHost::State state = host.save();
    EXPECT_EQ(programIndexOf(state), 5);
    EXPECT_FLOAT_EQ(currentValuesOf(state)[xcita], 0.42f);
    ASSERT_EQ(programsOf(state).size(), 64u);
    EXPECT_EQ(programsOf(state)[5].name, "Second 6");

    runSine(host, 1);
    state = host.save();
    EXPECT_EQ(programIndexOf(state), 7);
    EXPECT_FLOAT_EQ(currentValuesOf(state)[xcita], 0.24f);

    // A program change within the loaded bank needs no file and no worker.
    host.midi(0, 0xC0, 2, 0);
    runSine(host, 1);
    EXPECT_EQ(host.queuedWork(), 0u);
    EXPECT_EQ(programIndexOf(host.save()), 2);
    EXPECT_EQ(host.allocationsInRun, 0);
}

// A session reopened sounds as it was saved, whether the host restores the port values before
// or after the plug-in's state, even when the ports no longer match the sound because MIDI
// changed the program.
TEST(Lv2Host, SessionRestoresWhateverTheOrder)
{
    ScopedDataFolder folder;
    std::string session;
    Lv2TestHost::State saved;
    {
        Lv2TestHost original;
        ASSERT_TRUE(original.ok());
        original.setControl("FlangerOn", 1.0f);
        original.setControl("MmFilterCutoff", 0.3f);
        original.setControl("DistXcita", 12.0f);
        runSine(original, 2);
        original.midi(0, 0xC0, 3, 0);
        original.midi(5, 0xB0, 29, 100);
        runSine(original, 2);
        session = original.saveSession();
        saved = original.save();
        EXPECT_EQ(original.allocationsInRun, 0);
    }
    ASSERT_FALSE(session.empty());
    ASSERT_EQ(programIndexOf(saved), 3);

    enum class Order { stateThenPorts, portsRunThenState, portsThenState };
    for (Order order : {Order::stateThenPorts, Order::portsRunThenState, Order::portsThenState}) {
        SCOPED_TRACE(static_cast<int>(order));
        Lv2TestHost reopened;
        ASSERT_TRUE(reopened.ok());
        switch (order) {
        case Order::stateThenPorts:
            reopened.restoreSessionState(session);
            reopened.restoreSessionPorts(session);
            break;
        case Order::portsRunThenState:
            reopened.restoreSessionPorts(session);
            runSine(reopened, 1);
            reopened.restoreSessionState(session);
            break;
        case Order::portsThenState:
            reopened.restoreSessionPorts(session);
            reopened.restoreSessionState(session);
            break;
        }
        runSine(reopened, 2);
        const Lv2TestHost::State now = reopened.save();
        EXPECT_EQ(programIndexOf(now), 3);
        EXPECT_EQ(currentValuesOf(now), currentValuesOf(saved));
        const auto programs = programsOf(now), savedPrograms = programsOf(saved);
        ASSERT_EQ(programs.size(), 64u);
        for (size_t p = 0; p < programs.size(); ++p) {
            EXPECT_EQ(programs[p].name, savedPrograms[p].name);
            EXPECT_EQ(programs[p].values, savedPrograms[p].values) << "program " << p;
        }
        EXPECT_EQ(reopened.allocationsInRun, 0);
    }
}

TEST(Lv2Host, HostileStateIsRefused)
{
    ScopedDataFolder folder;
    Lv2TestHost host;
    ASSERT_TRUE(host.ok());
    host.setControl("DistXcita", 30.0f);
    runSine(host, 1);
    const Lv2TestHost::State good = host.save();
    const std::vector<float> before = currentValuesOf(good);

    // A truncated bank, a program index out of range and a port vector of the wrong length.
    Lv2TestHost::State bad = good;
    bad["urn:tirsk-audio:orvane#bank"].value.resize(100);
    bad["urn:tirsk-audio:orvane#program"].value = {200, 0, 0, 0};
    bad["urn:tirsk-audio:orvane#ports"].value.resize(40);
    host.restore(bad);
    runSine(host, 1);
    const Lv2TestHost::State after = host.save();
    EXPECT_GE(programIndexOf(after), 0);
    EXPECT_LT(programIndexOf(after), 64);

    // Without the bank the state is refused and nothing changes.
    Lv2TestHost::State empty;
    host.restore(good);
    runSine(host, 1);
    EXPECT_NE(host.restore(empty), 0);
    EXPECT_EQ(currentValuesOf(host.save()), before);
    EXPECT_EQ(host.allocationsInRun, 0);
}

} // namespace
