// Shared set-up of the shell tests: a private data folder per test, a host that answers the
// transport request from a record the test controls, and helpers for MIDI events and files.
#pragma once

#include "engine/KsPlugin.h"
#include "engine/KsProgram.h"
#include "shell/OrvaneVST.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace shelltest
{

// The transport the fake host reports; null-equivalent when `present` is false.
struct FakeHost {
    VstTimeInfo time;
    bool present = true;
};
inline FakeHost host;

inline VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    if (opcode == audioMasterGetTime) return host.present ? reinterpret_cast<VstIntPtr>(&host.time) : 0;
    return 0;
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every test gets its own data home (so that banks and "MidiConfig.txt" never leak between
// tests) and, unless it says otherwise, no factory content to seed from.
class ShellTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = std::filesystem::path(ORVANE_BINARY_DIR) / "test-scratch" / "shell" /
               (std::string(info->test_suite_name()) + "." + info->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "factory");
        setenv("XDG_DATA_HOME", (root / "home").c_str(), 1);
        setenv("ORVANE_FACTORY_DIR", (root / "factory").c_str(), 1);
        dataFolder = root / "home" / "Tirsk Audio" / "OrvaneData";
        host = FakeHost{};
        host.time.tempo = 120.0;
        host.time.sampleRate = 48000.0;
    }

    // A shell at 48 kHz, resumed, as a host would leave it before the first block.
    std::unique_ptr<OrvaneVST> makeShell(bool resumed = true)
    {
        auto shell = std::make_unique<OrvaneVST>(hostCallback);
        shell->setSampleRate(48000.0f);
        if (resumed) shell->resume();
        return shell;
    }

    static int index(OrvaneVST& shell, const char* name) { return shell.getEngine()->parameterIndex(name); }

    std::filesystem::path root;
    std::filesystem::path dataFolder;
};

// Delivers one block of MIDI messages {status, data1, data2, deltaFrames} through processEvents.
inline VstInt32 sendMidi(KsPluginVST& shell, std::initializer_list<std::array<int, 4>> messages)
{
    std::vector<VstMidiEvent> events(messages.size());
    std::vector<VstEvent*> pointers;
    for (std::size_t i = 0; const auto& m : messages) {
        events[i].deltaFrames = m[3];
        for (int k = 0; k < 3; ++k)
            events[i].midiData[k] = static_cast<char>(m[k]);
        pointers.push_back(reinterpret_cast<VstEvent*>(&events[i++]));
    }
    VstEvents block;
    block.numEvents = static_cast<VstInt32>(pointers.size());
    block.events = pointers.data();
    return shell.processEvents(&block);
}

// Everything the shell stores: every program's name and values, the engine's values and the
// current program.
inline auto snapshot(KsPluginVST& shell)
{
    std::vector<std::string> names;
    std::vector<std::vector<float>> values;
    std::vector<float> engine;
    for (int slot = 0; slot < KsPluginVST::kProgramSlots; ++slot) {
        const KsProgram* p = shell.program(slot);
        names.emplace_back(p->name);
        values.emplace_back(p->values.get(), p->values.get() + p->count);
    }
    for (int i = 0; i < shell.getEngine()->parameterCount; ++i)
        engine.push_back(shell.getParameter(i));
    return std::tuple{names, values, engine, shell.getProgram()};
}

} // namespace shelltest
