// The plug-in in a host of our own: optional features, control ports, MIDI, time:Position, the
// worker, and state saved and restored in either order. Every test checks that run() allocated
// nothing.

#include "Lv2TestHost.h"

#include "engine/KsProgram.h"
#include "engine/ParamStream.h"
#include "lv2/OrvaneLv2.h"
#include "lv2/OrvaneLv2Shell.h"
#include "shell/OrvaneVST.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace
{

namespace fs = std::filesystem;

// Points the data folder of every shell created from now on at a fresh folder named after the
// test (tests run in parallel); returns its "Tirsk Audio/OrvaneData/".
std::string useOwnDataFolder()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path root = fs::path(ORVANE_BINARY_DIR) / "test-home" / "lv2" / info->name();
    fs::remove_all(root);
    fs::create_directories(root / "Tirsk Audio" / "OrvaneData");
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    return (root / "Tirsk Audio" / "OrvaneData").string() + "/";
}

// The values of the 64 programs of the bank chunk in a saved state (empty when it cannot be read).
std::vector<std::vector<float>> programsOf(const Lv2TestHost::State& state)
{
    auto it = state.find("urn:tirsk-audio:orvane#bank");
    if (it == state.end()) return {};
    ParamStream in;
    in.openMemoryRead(it->second.value.data(), static_cast<int>(it->second.value.size()));
    std::vector<std::vector<float>> programs(64);
    for (std::vector<float>& program : programs) {
        OrvaneProgram record;
        if (!record.read(in, OrvaneProgram::kId)) return {};
        program.assign(record.values.get(), record.values.get() + record.count);
    }
    return programs;
}

// The current program index in a saved state (-1 when absent).
int programIndexOf(const Lv2TestHost::State& state)
{
    auto it = state.find("urn:tirsk-audio:orvane#program");
    int32_t index = -1;
    if (it != state.end() && it->second.value.size() == 4) std::memcpy(&index, it->second.value.data(), 4);
    return index;
}

std::vector<float> currentValuesOf(const Lv2TestHost::State& state)
{
    const auto programs = programsOf(state);
    const size_t index = static_cast<size_t>(programIndexOf(state));
    return index < programs.size() ? programs[index] : std::vector<float>{};
}

// Writes a bank with the product defaults in every slot, and "DistXcita" = xcita[p] where xcita
// has an entry.
void writeBank(const std::string& path, const std::vector<float>& xcita)
{
    OrvaneVST shell(nullptr);
    for (int p = 0; p < 64; ++p) {
        shell.setProgram(p);
        shell.initProgram();
        if (static_cast<size_t>(p) < xcita.size())
            shell.setParameter(shell.getEngine()->parameterIndex("DistXcita"), xcita[static_cast<size_t>(p)]);
    }
    ASSERT_TRUE(shell.saveBankFile(path.c_str()));
}

// Runs blocks of a chord with noise bursts through the host, the same from the start of every
// call; appends the output to out where given.
void runBlocks(Lv2TestHost& host, int blocks, std::vector<float>* out = nullptr)
{
    constexpr uint32_t frames = 256;
    uint32_t noise = 7;
    for (int b = 0; b < blocks; ++b) {
        for (uint32_t i = 0; i < frames; ++i) {
            const float t = static_cast<float>(b * frames + i);
            noise = noise * 1664525u + 1013904223u;
            const float burst = (b % 8 == 0) ? static_cast<float>(noise >> 8) / 16777216.0f - 0.5f : 0.0f;
            host.inLeft[i] = 0.4f * std::sin(0.031f * t) + burst;
            host.inRight[i] = 0.4f * std::sin(0.017f * t) - burst;
        }
        host.run(frames);
        if (out) {
            out->insert(out->end(), host.outLeft.begin(), host.outLeft.begin() + frames);
            out->insert(out->end(), host.outRight.begin(), host.outRight.begin() + frames);
        }
    }
}

// Hosts may give neither URID map nor worker: the plug-in runs all the same, with no state to
// save without the map.
TEST(Lv2Host, RunsWithoutOptionalFeatures)
{
    useOwnDataFolder();
    for (const auto& [urid, worker] : {std::pair{false, false}, {true, false}}) {
        SCOPED_TRACE(testing::Message() << "urid " << urid << ", worker " << worker);
        Lv2TestHost host(urid, worker);
        ASSERT_TRUE(host.ok());
        host.control("DelayOn") = host.control("ReverbOn") = 1.0f;
        runBlocks(host, 20);
        EXPECT_TRUE(std::isfinite(host.outLeft[255]) && std::isfinite(host.outRight[255]));
        EXPECT_GT(host.control("LevelMeterL"), 0.0f);
        EXPECT_EQ(host.save().empty(), !urid);
        EXPECT_EQ(host.allocationsInRun, 0);
    }
}

TEST(Lv2Host, ControlPortsAreWrittenOnlyWhenTheyChange)
{
    useOwnDataFolder();
    Lv2TestHost host;
    ASSERT_TRUE(host.ok());
    const auto xcita = host.portIndex("DistXcita");

    // A MIDI controller (29 drives "DistXcita") moves the parameter; the unchanged port does
    // not take it back in the next block, a moved port does (as a normalised value), a port
    // holding NaN is ignored.
    host.midi(0, 0xB0, 29, 127);
    runBlocks(host, 2);
    EXPECT_EQ(currentValuesOf(host.save())[xcita], 1.0f);
    for (const float port : {10.0f, NAN}) {
        host.control("DistXcita") = port;
        runBlocks(host, 1);
        EXPECT_FLOAT_EQ(currentValuesOf(host.save())[xcita], 0.1f);
    }
    EXPECT_EQ(host.allocationsInRun, 0);
}

// The host's time:Position reaches the shell as its transport; without it the shell reports
// none (and the engine keeps its own tempo).
TEST(Lv2Host, TransportReachesTheShell)
{
    useOwnDataFolder();
    Lv2TestHost host;
    ASSERT_TRUE(host.ok());
    OrvaneLv2Shell& shell = static_cast<OrvaneLv2*>(host.handle())->shell();
    runBlocks(host, 1);
    EXPECT_EQ(shell.getTimeInfo(0), nullptr);
    host.position(0, 150.0f);
    runBlocks(host, 1);
    const VstTimeInfo* time = shell.getTimeInfo(0);
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->tempo, 150.0);
    EXPECT_EQ(time->ppqPos, 0.0);
    EXPECT_NE(time->flags & kVstTransportPlaying, 0);
    EXPECT_EQ(host.allocationsInRun, 0);
}

// After deactivate and activate nothing of the audio before is heard: lines, filters, glides,
// oscillators and the sequencer start again, and the output equals a new instance's for the
// same input and ports, sample for sample.
TEST(Lv2Host, ActivateStartsAgainLikeANewInstance)
{
    useOwnDataFolder();
    const std::string everySection =
        "TranceGateOn=1 SeqPat1TGateOn=1 Seq1Step3Vol=0.2 PanOn=1 PanSource=0 PanRateSync=0 PanDepth=0.6 "
        "MmFilterOn=1 MmFilterRes=0.7 CutoffModOn=1 CutoffModSource=0 CutoffModDepth=0.4 DistOn=1 "
        "DistXcita=0.4 DistSoftSat=0.3 FlangerOn=1 FlangerMix=0.5 FlangerFeedback=0.8 DelayOn=1 "
        "DelayMix=0.4 DelayFeedback=0.7 ReverbOn=1 ReverbMix=0.5 ReverbSize=0.9 MmFilterType=";
    // A biquad with the limiter stage, an analog model at twice the rate, a comb.
    for (const char* filterType : {"0", "0.2", "0.09"}) {
        SCOPED_TRACE(filterType);
        Lv2TestHost used, fresh;
        ASSERT_TRUE(used.ok() && fresh.ok());
        used.setNormalised(everySection + filterType);
        fresh.setNormalised(everySection + filterType);
        runBlocks(used, 150, nullptr); // 0.8 s, so that delay, reverb and flanger are full
        used.pause();
        std::vector<float> again, expected;
        runBlocks(used, 40, &again);
        runBlocks(fresh, 40, &expected);

        ASSERT_EQ(again.size(), expected.size());
        size_t firstDifference = 0;
        while (firstDifference < again.size() && again[firstDifference] == expected[firstDifference])
            ++firstDifference;
        EXPECT_EQ(firstDifference, again.size()) << "first difference at " << firstDifference;
        EXPECT_GT(std::fabs(*std::max_element(expected.begin(), expected.end())), 0.05f);
        EXPECT_EQ(used.control("LevelMeterL"), fresh.control("LevelMeterL"));
        EXPECT_EQ(used.allocationsInRun, 0);
    }
}

TEST(Lv2Host, BankSelectAndProgramChangeLoadThroughTheWorker)
{
    const std::string data = useOwnDataFolder();
    writeBank(data + "00 Factory.fxb", {});
    writeBank(data + "01 Second.fxb", {0, 0, 0, 0, 0, 0.42f, 0, 0.24f});
    Lv2TestHost host;
    ASSERT_TRUE(host.ok());
    runBlocks(host, 1);
    const auto xcita = host.portIndex("DistXcita");

    // Bank 1, program 6: run() only hands the file work to the worker.
    host.midi(0, 0xB0, 0, 1);
    host.midi(1, 0xC0, 5, 0);
    runBlocks(host, 1);
    EXPECT_EQ(host.queuedWork(), 1u);
    EXPECT_EQ(programIndexOf(host.save()), 0);

    // A program change sent before the worker is done waits for it.
    host.midi(0, 0xC0, 7, 0);
    runBlocks(host, 1);
    EXPECT_EQ(host.runWorker(), 1);
    Lv2TestHost::State state = host.save();
    EXPECT_EQ(programIndexOf(state), 5);
    EXPECT_FLOAT_EQ(currentValuesOf(state)[xcita], 0.42f);

    runBlocks(host, 1);
    state = host.save();
    EXPECT_EQ(programIndexOf(state), 7);
    EXPECT_FLOAT_EQ(currentValuesOf(state)[xcita], 0.24f);

    // A program change within the loaded bank needs no file and no worker.
    host.midi(0, 0xC0, 2, 0);
    runBlocks(host, 1);
    EXPECT_EQ(host.queuedWork(), 0u);
    EXPECT_EQ(programIndexOf(host.save()), 2);
    EXPECT_EQ(host.allocationsInRun, 0);
}

// A session reopened sounds as it was saved, whether the host restores the port values before
// or after the plug-in's state (with or without a block between), even when the ports no
// longer match the sound because MIDI changed the program.
TEST(Lv2Host, SessionRestoresWhateverTheOrder)
{
    useOwnDataFolder();
    std::vector<float> ports;
    Lv2TestHost::State saved;
    {
        Lv2TestHost original;
        ASSERT_TRUE(original.ok());
        original.setNormalised("FlangerOn=1 MmFilterCutoff=0.3 DistXcita=0.12");
        runBlocks(original, 2);
        original.midi(0, 0xC0, 3, 0);
        original.midi(5, 0xB0, 29, 100);
        runBlocks(original, 2);
        ports = original.controls;
        saved = original.save();
        EXPECT_EQ(original.allocationsInRun, 0);
    }
    ASSERT_EQ(programIndexOf(saved), 3);

    for (const auto& [portsFirst, blocksBetween] : {std::pair{false, 0}, {true, 1}, {true, 0}}) {
        SCOPED_TRACE(testing::Message() << "ports first " << portsFirst << ", run between " << blocksBetween);
        Lv2TestHost reopened;
        ASSERT_TRUE(reopened.ok());
        for (bool restorePorts : {portsFirst, !portsFirst}) {
            if (restorePorts) // in place: the plug-in holds pointers into the buffer
                std::copy(ports.begin(), ports.end(), reopened.controls.begin());
            else
                EXPECT_EQ(reopened.restore(saved), 0);
            runBlocks(reopened, restorePorts == portsFirst ? blocksBetween : 2);
        }
        const Lv2TestHost::State now = reopened.save();
        EXPECT_EQ(programIndexOf(now), 3);
        EXPECT_EQ(currentValuesOf(now), currentValuesOf(saved));
        EXPECT_EQ(now.at("urn:tirsk-audio:orvane#bank").value, saved.at("urn:tirsk-audio:orvane#bank").value);
        EXPECT_EQ(reopened.allocationsInRun, 0);
    }
}

TEST(Lv2Host, HostileStateIsRefused)
{
    useOwnDataFolder();
    Lv2TestHost host;
    ASSERT_TRUE(host.ok());
    host.control("DistXcita") = 30.0f;
    runBlocks(host, 1);
    const Lv2TestHost::State good = host.save();
    const std::vector<float> before = currentValuesOf(good);

    // A truncated bank, a program index out of range and a port vector of the wrong length.
    Lv2TestHost::State bad = good;
    bad["urn:tirsk-audio:orvane#bank"].value.resize(100);
    bad["urn:tirsk-audio:orvane#program"].value = {200, 0, 0, 0};
    bad["urn:tirsk-audio:orvane#ports"].value.resize(40);
    host.restore(bad);
    runBlocks(host, 1);
    const int program = programIndexOf(host.save());
    EXPECT_TRUE(program >= 0 && program < 64) << program;

    // Without the bank the state is refused and nothing changes.
    host.restore(good);
    runBlocks(host, 1);
    EXPECT_NE(host.restore({}), 0);
    EXPECT_EQ(currentValuesOf(host.save()), before);
    EXPECT_EQ(host.allocationsInRun, 0);
}

} // namespace
