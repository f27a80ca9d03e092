#include "Lv2TestSupport.h"

#include "shell/OrvaneVST.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

ScopedDataFolder::ScopedDataFolder()
{
    if (const char* old = std::getenv("XDG_DATA_HOME")) {
        previous = old;
        hadPrevious = true;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path root = fs::path(ORVANE_BINARY_DIR) / "test-home" / "lv2" /
                          (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(root);
    const fs::path data = root / "Tirsk Audio" / "OrvaneData";
    fs::create_directories(data);
    dataFolder = data.string() + "/";
    setenv("XDG_DATA_HOME", root.c_str(), 1);
}

ScopedDataFolder::~ScopedDataFolder()
{
    if (hadPrevious)
        setenv("XDG_DATA_HOME", previous.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

std::vector<StoredProgram> programsOf(const Lv2TestHost::State& state)
{
    std::vector<StoredProgram> programs;
    auto it = state.find("urn:tirsk-audio:orvane#bank");
    if (it == state.end()) return programs;
    const std::vector<uint8_t>& bytes = it->second.value;
    size_t at = 0;
    auto take = [&](void* out, size_t n) {
        if (at + n > bytes.size()) return false;
        std::memcpy(out, bytes.data() + at, n);
        at += n;
        return true;
    };
    for (int p = 0; p < 64; ++p) {
        StoredProgram program;
        float version = 0.0f;
        int32_t count = 0;
        if (!take(&version, 4)) return {};
        while (at < bytes.size() && bytes[at] != 0)
            program.name += static_cast<char>(bytes[at++]);
        ++at;
        if (!take(&count, 4) || count < 0 || count > 344) return {};
        program.values.resize(static_cast<size_t>(count));
        if (!take(program.values.data(), 4 * static_cast<size_t>(count))) return {};
        programs.push_back(std::move(program));
    }
    return programs;
}

int programIndexOf(const Lv2TestHost::State& state)
{
    auto it = state.find("urn:tirsk-audio:orvane#program");
    if (it == state.end() || it->second.value.size() != 4) return -1;
    int32_t index = 0;
    std::memcpy(&index, it->second.value.data(), 4);
    return index;
}

std::vector<float> currentValuesOf(const Lv2TestHost::State& state)
{
    const std::vector<StoredProgram> programs = programsOf(state);
    const int index = programIndexOf(state);
    if (index < 0 || static_cast<size_t>(index) >= programs.size()) return {};
    return programs[static_cast<size_t>(index)].values;
}

void writeBank(const std::string& path, const std::string& prefix, const std::vector<float>& xcita)
{
    OrvaneVST shell(nullptr);
    const int xcitaIndex = shell.getEngine()->parameterIndex("DistXcita");
    for (int p = 0; p < 64; ++p) {
        shell.setProgram(p);
        shell.initProgram();
        const std::string name = prefix + " " + std::to_string(p + 1);
        shell.setProgramName(name.c_str());
        if (static_cast<size_t>(p) < xcita.size())
            shell.setParameter(xcitaIndex, xcita[static_cast<size_t>(p)]);
    }
    ASSERT_TRUE(shell.saveBankFile(path.c_str()));
}
