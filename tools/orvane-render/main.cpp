// orvane-render: hosts the Orvane plug-in shell over an audio file (or a synthesised
// demo) and writes the result; lists the parameter table or the programs, shows display
// texts, and loads and saves presets and banks.
#include "Render.h"

#include <CLI/CLI.hpp>
#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{

using render::UsageError;

// Where the frames come from: a file read block by block, or the demo in memory.
class Source
{
  public:
    virtual ~Source() = default;
    virtual int rate() const = 0;
    virtual long long frames() const = 0;
    // Reads up to n frames into left/right; returns the frames read.
    virtual int read(float* left, float* right, int n) = 0;
};

class FileSource : public Source
{
  public:
    explicit FileSource(const std::string& path)
    {
        file = sf_open(path.c_str(), SFM_READ, &info);
        if (!file) throw UsageError{"cannot read input '" + path + "': " + sf_strerror(nullptr)};
        if (info.channels < 1 || info.channels > 2) {
            sf_close(file);
            throw UsageError{"input '" + path + "' has " + std::to_string(info.channels) +
                             " channels; only mono and stereo are supported"};
        }
        if (info.samplerate < 1) {
            sf_close(file);
            throw UsageError{"input '" + path + "' has no valid sample rate"};
        }
    }
    ~FileSource() override { sf_close(file); }
    int rate() const override { return info.samplerate; }
    long long frames() const override { return static_cast<long long>(info.frames); }
    int read(float* left, float* right, int n) override
    {
        interleaved.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(info.channels));
        const sf_count_t got = sf_readf_float(file, interleaved.data(), n);
        for (sf_count_t i = 0; i < got; ++i) {
            // A mono input feeds both channels.
            left[i] = interleaved[static_cast<std::size_t>(i * info.channels)];
            right[i] = interleaved[static_cast<std::size_t>(i * info.channels + info.channels - 1)];
        }
        return static_cast<int>(got);
    }

  private:
    SF_INFO info{};
    SNDFILE* file = nullptr;
    std::vector<float> interleaved;
};

class MemorySource : public Source
{
  public:
    MemorySource(std::vector<float> l, std::vector<float> r, int sampleRate)
        : left_(std::move(l)), right_(std::move(r)), rate_(sampleRate)
    {
    }
    int rate() const override { return rate_; }
    long long frames() const override { return static_cast<long long>(left_.size()); }
    int read(float* left, float* right, int n) override
    {
        const int got =
            static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), left_.size() - at));
        std::copy_n(left_.begin() + static_cast<long>(at), got, left);
        std::copy_n(right_.begin() + static_cast<long>(at), got, right);
        at += static_cast<std::size_t>(got);
        return got;
    }

  private:
    std::vector<float> left_, right_;
    int rate_;
    std::size_t at = 0;
};

int majorFormatFor(const std::string& path)
{
    std::string ext;
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "flac") return SF_FORMAT_FLAC;
    if (ext == "aif" || ext == "aiff") return SF_FORMAT_AIFF;
    if (ext == "caf") return SF_FORMAT_CAF;
    if (ext == "w64") return SF_FORMAT_W64;
    if (ext == "ogg" || ext == "oga") return SF_FORMAT_OGG;
    return SF_FORMAT_WAV;
}

int subtypeFor(const std::string& format)
{
    if (format == "pcm16") return SF_FORMAT_PCM_16;
    if (format == "pcm24") return SF_FORMAT_PCM_24;
    return SF_FORMAT_FLOAT;
}

// The container and sample format of OUTPUT: the file type follows the extension (WAV without
// one, so also for "-"); the samples follow --format, or without it 32-bit float where the
// container holds floats and 24-bit integers where it does not (FLAC).
int outputFormat(const std::string& path, const std::string& format, int rate)
{
    const int major = majorFormatFor(path);
    if (major == SF_FORMAT_OGG) return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = major | subtypeFor(format.empty() ? "float" : format);
    if (format.empty() && !sf_format_check(&info)) info.format = major | SF_FORMAT_PCM_24;
    if (!sf_format_check(&info))
        throw UsageError{"output format '" + (format.empty() ? std::string("float") : format) +
                         "' cannot be written to '" + path + "'"};
    return info.format;
}

// A file descriptor that is closed, and a temporary file that is removed, unless kept.
struct TempFile {
    std::string path; // empty when the file has no name
    int fd = -1;
    ~TempFile()
    {
        if (fd >= 0) close(fd);
        if (!path.empty()) unlink(path.c_str());
    }
};

// Where the render goes. A regular OUTPUT (or a new one) is written to a temporary file beside
// it that replaces it only when complete. "-" (standard output) and an existing OUTPUT that is
// not a regular file (a device such as /dev/null, a named pipe) are written in place and never
// replaced; the render goes first to a nameless temporary file, because the containers write
// their header last and a pipe cannot seek back to it.
class Destination
{
  public:
    explicit Destination(const std::string& outputPath) : path(outputPath)
    {
        struct stat st {
        };
        const bool exists = path != "-" && stat(path.c_str(), &st) == 0;
        if (path == "-") {
            if (isatty(STDOUT_FILENO)) throw UsageError{"will not write audio to a terminal (OUTPUT '-')"};
            inPlaceFd = STDOUT_FILENO;
        } else if (exists && S_ISDIR(st.st_mode)) {
            throw UsageError{"OUTPUT '" + path + "' is a folder"};
        } else if (exists && !S_ISREG(st.st_mode)) {
            inPlaceFd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
            if (inPlaceFd < 0) throw UsageError{"cannot open output '" + path + "' for writing"};
            closeInPlace = true;
        }
    }
    ~Destination()
    {
        if (closeInPlace) close(inPlaceFd);
    }

    // Creates the temporary file the render is written to.
    int open()
    {
        if (inPlaceFd >= 0) {
            const char* dir = std::getenv("TMPDIR");
            temp.path = std::string(dir && *dir ? dir : "/tmp") + "/orvane-render-XXXXXX";
        } else {
            temp.path = path + ".tmp-XXXXXX";
        }
        temp.fd = mkstemp(temp.path.data());
        if (temp.fd < 0) {
            temp.path.clear();
            throw UsageError{"cannot create a temporary file for '" + path + "'"};
        }
        if (inPlaceFd >= 0) {
            unlink(temp.path.c_str()); // nameless from now on: nothing is left behind on any exit
            temp.path.clear();
        } else {
            // mkstemp makes the file private to the user; the finished render gets the
            // permissions any new file would get under the user's umask.
            const mode_t mask = umask(0);
            umask(mask);
            fchmod(temp.fd, 0666 & ~mask);
        }
        return temp.fd;
    }

    // Puts the finished render in place; false when that fails (the temporary file goes).
    bool commit()
    {
        if (inPlaceFd < 0) {
            if (std::rename(temp.path.c_str(), path.c_str()) != 0) return false;
            temp.path.clear();
            return true;
        }
        std::fflush(stdout);
        if (lseek(temp.fd, 0, SEEK_SET) != 0) return false;
        std::vector<char> buffer(1 << 16);
        for (;;) {
            const ssize_t got = ::read(temp.fd, buffer.data(), buffer.size());
            if (got == 0) return true;
            if (got < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            for (ssize_t at = 0; at < got;) {
                const ssize_t put = write(inPlaceFd, buffer.data() + at, static_cast<std::size_t>(got - at));
                if (put == 0 || (put < 0 && errno != EINTR)) return false;
                if (put > 0) at += put;
            }
        }
    }

  private:
    std::string path;
    int inPlaceFd = -1;
    bool closeInPlace = false;
    TempFile temp;
};

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {
    };
    struct stat sb {
    };
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void drawProgress(long long done, long long total)
{
    const int width = 40;
    const double f = total > 0 ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 1.0;
    const int filled = static_cast<int>(f * width);
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(width - filled), '.').c_str(),
                 static_cast<int>(f * 100.0));
    std::fflush(stderr);
}

// Renders source through a set-up engine into OUTPUT (see Destination). Everything that can be
// refused (format, set-up, MIDI) is checked before any file is created.
void render(Source& source, const std::string& outputPath, const render::Options& options,
            const std::vector<render::Setting>& settings)
{
    SF_INFO outInfo{};
    outInfo.samplerate = source.rate();
    outInfo.channels = 2;
    outInfo.format = outputFormat(outputPath, options.format, source.rate());
    if (outputPath == "-" && options.printState)
        throw UsageError{"--print-state and OUTPUT '-' would both write to standard output"};
    Destination destination(outputPath);

    auto shell = render::setUpShell(options, static_cast<float>(source.rate()), settings);
    render::MidiDelivery midi;
    midi.events = render::collectMidi(options, source.rate());

    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(
        sf_open_fd(destination.open(), SFM_WRITE, &outInfo, SF_FALSE), sf_close);
    SNDFILE* out = file.get();
    if (!out) throw UsageError{"cannot write output '" + outputPath + "': " + sf_strerror(nullptr)};
    // Integer formats clip samples beyond full scale instead of wrapping them to the other sign.
    sf_command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (options.printState) render::printState(static_cast<Orvane&>(*shell->getEngine()));

    const int block = options.block;
    const long long tailFrames = static_cast<long long>(std::llround(options.tail * source.rate()));
    const long long total = std::max(0LL, source.frames()) + tailFrames;
    const bool progress = !options.quiet && isatty(STDERR_FILENO);
    std::vector<float> inL(static_cast<std::size_t>(block)), inR(inL.size()), outL(inL.size()),
        outR(inL.size());
    std::vector<float> interleaved(inL.size() * 2);
    long long done = 0;
    long long tailLeft = tailFrames;
    bool ok = true;
    int lastPercent = -1;
    for (;;) {
        int n = source.read(inL.data(), inR.data(), block);
        if (n <= 0) {
            // The input has ended: silence keeps the tails of delay and reverb.
            if (tailLeft <= 0) break;
            n = static_cast<int>(std::min<long long>(block, tailLeft));
            std::fill_n(inL.begin(), n, 0.0f);
            std::fill_n(inR.begin(), n, 0.0f);
            tailLeft -= n;
        }
        // As a host: the block's MIDI events, then the audio, then the transport moves on.
        midi.deliver(*shell, done, n);
        float* inputs[2] = {inL.data(), inR.data()};
        float* outputs[2] = {outL.data(), outR.data()};
        shell->processReplacing(inputs, outputs, n);
        shell->advanceTransport(n);
        for (int i = 0; i < n; ++i) {
            interleaved[static_cast<std::size_t>(2 * i)] = outL[static_cast<std::size_t>(i)];
            interleaved[static_cast<std::size_t>(2 * i + 1)] = outR[static_cast<std::size_t>(i)];
        }
        if (sf_writef_float(out, interleaved.data(), n) != n) {
            ok = false;
            break;
        }
        done += n;
        if (progress) {
            const int percent = total > 0 ? static_cast<int>(100 * done / total) : 100;
            if (percent != lastPercent) {
                drawProgress(done, total);
                lastPercent = percent;
            }
        }
    }
    if (progress) std::fprintf(stderr, "\n");
    if (sf_close(file.release()) != 0) ok = false;
    if (!ok || !destination.commit()) throw UsageError{"cannot write output '" + outputPath + "'"};
}

int run(int argc, char** argv)
{
    render::Options options;
    CLI::App app{"Renders audio through the Orvane engine.", "orvane-render"};
    app.add_option("files", options.files,
                   "INPUT OUTPUT (or OUTPUT with --demo); OUTPUT '-' writes WAV to standard output");
    app.add_flag("--demo", options.demo,
                 "synthesise an 8-second test input at 48 kHz and process it with the demo setting");
    app.add_flag("--list-params", options.listParams, "print the parameter table and exit");
    app.add_flag("--json", options.json, "JSON output for --list-params and --show");
    app.add_option("--show", options.shows,
                   "print the display text and unit of each NAME=VALUE in order, then exit");
    host::addShellOptions(app, options);
    app.add_option("--position", options.position, "song position in beats at the start (default 0)");
    app.add_option("--block", options.block, "host block size in frames (default 512)");
    app.add_option("--tail", options.tail, "seconds of silence processed after the input (default 0)");
    app.add_option("--format", options.format,
                   "output sample format: float, pcm16 or pcm24 (default float, or pcm24 where "
                   "the file type holds no floats, as FLAC)")
        ->check(CLI::IsMember({"float", "pcm16", "pcm24"}));
    app.add_flag("--quiet", options.quiet, "no progress bar");
    app.add_flag("--randomize", options.randomize,
                 "after the program and the --set values, run the randomiser as the editor's control does");
    app.add_flag("--print-state", options.printState,
                 "print the 344 stored parameter values as a JSON array after the set-up "
                 "(and exit when no files are given)");
    app.add_option("--midi-note", options.midiNotes,
                   "note-on of NOTE at song position BEAT (beats), e.g. 4:49; patterns follow notes while "
                   "SeqMidiNoteTrigger is on")
        ->allow_extra_args(false);
    app.add_option("--save-preset", options.savePreset,
                   "after the set-up, save the current program as a preset file (fxp; the program takes "
                   "the file's name)");
    app.add_option("--save-bank", options.saveBank,
                   "after the set-up, save the 64 programs as a bank file (fxb)");
    app.add_flag("--list-programs", options.listPrograms,
                 "print the 64 program names of the bank in use after the set-up, then exit");
    app.add_option("--midi", options.midiFile,
                   "a Standard MIDI File whose channel messages reach the plug-in at --tempo from the first "
                   "frame on");
    if (const std::optional<int> status = host::parseCommandLine(app, argc, argv)) return *status;

    host::checkShellOptions(options);
    if (options.block < 1 || options.block > 1048576)
        throw UsageError{"--block must be between 1 and 1048576"};
    if (!std::isfinite(options.tail) || options.tail < 0.0 || options.tail > 3600.0)
        throw UsageError{"--tail must be between 0 and 3600 seconds"};

    render::seedGenerator(options.seed);
    for (const std::string& text : options.midiNotes) {
        if (render::parseNote(text).beat < options.position)
            throw UsageError{"--midi-note '" + text + "' lies before the start --position"};
    }

    // Settings are checked before anything is read or written.
    std::vector<render::Setting> settings;
    {
        Orvane names;
        if (options.demo) settings = render::demoSettings(names);
        for (const render::Setting& s : host::parseSettings(options))
            settings.push_back(s);
        for (const std::string& s : options.shows)
            render::parseSetting(names, s, "--show");
    }

    if (options.listParams) {
        render::listParameters(options.json);
        return 0;
    }
    if (!options.shows.empty()) {
        render::showValues(settings, options.shows, options.json);
        return 0;
    }

    // Runs that only set up (and print, list or save) need no audio files.
    const bool setUpOnly = options.files.empty() && !options.demo;
    if (options.listPrograms ||
        (setUpOnly && (options.printState || !options.savePreset.empty() || !options.saveBank.empty()))) {
        auto shell = render::setUpShell(options, 48000.0f, settings);
        if (options.printState) render::printState(static_cast<Orvane&>(*shell->getEngine()));
        if (options.listPrograms) render::listPrograms(*shell, options.json);
        if (options.listPrograms || setUpOnly) return 0;
    }

    if (options.demo) {
        if (options.files.size() != 1) throw UsageError{"--demo takes exactly one OUTPUT file"};
        std::vector<float> left, right;
        render::synthesiseDemo(options.tempo, left, right);
        MemorySource source(std::move(left), std::move(right), 48000);
        render(source, options.files[0], options, settings);
        return 0;
    }
    if (options.files.size() != 2) throw UsageError{"expected INPUT and OUTPUT files (see --help)"};
    const std::string& input = options.files[0];
    const std::string& output = options.files[1];
    if (input == output || sameFile(input, output)) throw UsageError{"OUTPUT must not be the INPUT file"};
    FileSource source(input);
    render(source, output, options, settings);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return host::runReportingErrors("orvane-render", run, argc, argv);
}
