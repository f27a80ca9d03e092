// Helpers for the tests that run built programs (orvane-render, the AAX host simulator, lv2apply)
// as a user would: a work folder of its own per test, a runner that captures exit status and both
// output streams, and a small WAV writer (16-bit or float) and reader (16/24-bit PCM, float).
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// "MasterVolume" 0.77 (the default) is unity gain on the curve 1.001^2.737.
inline const float kUnityGain = std::pow(1.001f, 2.737f);

// <build>/render-test/<suite>.<test>/, created.
inline fs::path workDir()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path dir = fs::path(ORVANE_BINARY_DIR) / "render-test" /
                         (std::string(info->test_suite_name()) + "." + info->name());
    fs::create_directories(dir);
    return dir;
}

inline std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether a temporary file of an atomic write was left in dir.
inline bool hasTemporaryFile(const fs::path& dir)
{
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().find(".tmp-") != std::string::npos) return true;
    return false;
}

inline std::string quoted(const fs::path& p)
{
    std::string text(1, '\'');
    return text.append(p.string()).append(1, '\'');
}

struct RunResult {
    int status;
    std::string out, err;
};

// Runs a shell command line; its exit status and both outputs.
inline RunResult runCommand(const std::string& command)
{
    const fs::path out = workDir() / "stdout.txt", err = workDir() / "stderr.txt";
    const int raw = std::system((command + " >" + quoted(out) + " 2>" + quoted(err)).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(out), readAll(err)};
}

inline RunResult run(const std::string& args)
{
    return runCommand(std::string(ORVANE_BINARY_DIR) + "/bin/orvane-render " + args);
}

// A private data home and (empty) factory folder in a fresh work folder, dir.
class OrvaneRender : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fs::remove_all(workDir());
        dir = workDir();
        fs::create_directories(dir / "factory");
        setenv("XDG_DATA_HOME", (dir / "home").c_str(), 1);
        setenv("ORVANE_FACTORY_DIR", (dir / "factory").c_str(), 1);
    }
    fs::path dir;
};

// A WAV of interleaved samples: 16-bit PCM, or 32-bit float when asFloat (for values beyond 1).
inline void writeWav(const fs::path& path, int channels, int rate, const std::vector<float>& interleaved,
                     bool asFloat = false)
{
    const std::uint32_t width = asFloat ? 4 : 2,
                        bytes = static_cast<std::uint32_t>(interleaved.size()) * width,
                        ch = static_cast<std::uint32_t>(channels), r = static_cast<std::uint32_t>(rate);
    // "RIFF", size, "WAVE", "fmt ", 16, format and channels, rate, bytes per second, block and bits, "data".
    const std::uint32_t header[] = {0x46464952u,
                                    36 + bytes,
                                    0x45564157u,
                                    0x20746D66u,
                                    16,
                                    (asFloat ? 3u : 1u) | ch << 16,
                                    r,
                                    r * ch * width,
                                    ch * width | (8 * width) << 16,
                                    0x61746164u,
                                    bytes};
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(header), sizeof header);
    for (float x : interleaved) {
        const auto pcm = static_cast<std::int16_t>(std::lround(x * 32767.0f));
        f.write(asFloat ? reinterpret_cast<const char*>(&x) : reinterpret_cast<const char*>(&pcm), width);
    }
}

struct Wav {
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<float> samples; // interleaved
    std::size_t frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

// Reads the format and the samples of a 16- or 24-bit PCM or a 32-bit float WAV.
inline Wav readWav(const fs::path& path)
{
    const std::string b = readAll(path);
    Wav w;
    auto get = [&](std::size_t at, std::size_t n) {
        std::uint32_t v = 0;
        std::memcpy(&v, b.data() + at, n);
        return v;
    };
    for (std::size_t i = 12; i + 8 <= b.size();) {
        const std::uint32_t size = get(i + 4, 4);
        if (b.compare(i, 4, "fmt ") == 0) {
            w.format = static_cast<int>(get(i + 8, 2));
            w.channels = static_cast<int>(get(i + 10, 2));
            w.rate = static_cast<int>(get(i + 12, 4));
            w.bits = static_cast<int>(get(i + 22, 2));
            if (w.format == 0xFFFE) w.format = static_cast<int>(get(i + 32, 2));
        } else if (b.compare(i, 4, "data") == 0) {
            const std::size_t n = std::min<std::size_t>(size, b.size() - i - 8),
                              width = static_cast<std::size_t>(w.bits / 8);
            const bool known = w.format == 3 ? w.bits == 32 : w.bits == 16 || w.bits == 24;
            for (std::size_t k = 0; known && k + width <= n; k += width) {
                // Integers are left-aligned in 32 bits, so that the sign comes with them.
                const std::uint32_t v = get(i + 8 + k, width);
                w.samples.push_back(
                    w.format == 3 ? std::bit_cast<float>(v)
                                  : static_cast<float>(static_cast<std::int32_t>(v << (32 - 8 * width))) /
                                        2147483648.0f);
            }
        }
        i += 8 + size + (size & 1);
    }
    return w;
}
