// Helpers of the AAX tests: running the host simulator and the renderer, and test audio files.
#pragma once

#include <sndfile.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace aaxtest
{

struct Result {
    int status = -1;
    std::string out, err;
};

inline std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A file of this test process in a scratch folder of the build tree.
inline std::string scratch(const std::string& name)
{
    const std::string folder = std::string(ORVANE_BINARY_DIR) + "/test-home/aax-scratch";
    std::filesystem::create_directories(folder);
    return folder + "/" + std::to_string(getpid()) + "-" + name;
}

// Runs program with args; the exit status and both outputs.
inline Result run(const std::string& program, const std::vector<std::string>& args)
{
    std::string command = quoted(program);
    for (const std::string& a : args)
        command.append(" ").append(quoted(a));
    const std::string out = scratch("stdout.txt"), err = scratch("stderr.txt");
    command.append(" >").append(quoted(out)).append(" 2>").append(quoted(err));
    const int raw = std::system(command.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

// The simulator on the built module.
inline Result host(const std::vector<std::string>& args)
{
    std::vector<std::string> all{ORVANE_AAX_MODULE};
    all.insert(all.end(), args.begin(), args.end());
    return run(ORVANE_AAX_HOST, all);
}

struct Audio {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
    long frames() const { return channels ? static_cast<long>(samples.size()) / channels : 0; }
    float at(long frame, int channel) const
    {
        return samples[static_cast<size_t>(frame * channels + channel)];
    }
};

inline Audio readWav(const std::string& path)
{
    Audio a;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return a;
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, a.samples.data(), info.frames);
    sf_close(f);
    return a;
}

// A chord of sines with a little noise and a decaying burst: enough to excite every section.
inline std::string writeTestInput(const std::string& name, int rate, int channels, double seconds)
{
    const std::string path = scratch(name);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    const long frames = static_cast<long>(seconds * rate);
    std::vector<float> data(static_cast<size_t>(frames * channels));
    unsigned seed = 12345;
    for (long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        seed = seed * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.05;
        for (int c = 0; c < channels; ++c)
            data[static_cast<size_t>(i * channels + c)] = static_cast<float>(
                0.3 * std::sin(2 * M_PI * (220.0 + 110.0 * c) * t) + 0.2 * std::sin(2 * M_PI * 277.2 * t) +
                noise + 0.4 * std::exp(-20.0 * std::fmod(t, 0.5)) * std::sin(2 * M_PI * 80.0 * t));
    }
    sf_writef_float(f, data.data(), frames);
    sf_close(f);
    return path;
}

// The numbers of the JSON array that follows "key": in text.
inline std::vector<double> jsonArray(const std::string& text, const std::string& key)
{
    std::vector<double> values;
    size_t at = text.find("\"" + key + "\": [");
    if (at == std::string::npos) return values;
    at = text.find('[', at) + 1;
    const size_t end = text.find(']', at);
    while (at < end) {
        char* stop = nullptr;
        values.push_back(std::strtod(text.c_str() + at, &stop));
        at = static_cast<size_t>(stop - text.c_str());
        at = text.find_first_not_of(", ", at);
    }
    return values;
}

// The "id": number pairs of the JSON object that follows "key": in text.
inline std::map<std::string, double> jsonObject(const std::string& text, const std::string& key)
{
    std::map<std::string, double> values;
    size_t at = text.find("\"" + key + "\": {");
    if (at == std::string::npos) return values;
    const size_t end = text.find('}', at);
    at = text.find('"', text.find('{', at));
    while (at < end) {
        const size_t close = text.find('"', at + 1);
        const std::string id = text.substr(at + 1, close - at - 1);
        values[id] = std::strtod(text.c_str() + close + 2, nullptr);
        at = text.find('"', text.find(',', close) == std::string::npos ? end : text.find(',', close));
        if (text.find(',', close) > end) break;
    }
    return values;
}

} // namespace aaxtest
