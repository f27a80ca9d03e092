// orvane-aax-host: a host simulator for AAX modules. It loads a module with dlopen, resolves
// its seven entry points, starts it, drives it only through the host side of our AAX stand-in
// (description, class factory, instances with a controller, transport and MIDI nodes, the SDK
// chunk, the GUI in a headless window) and shuts it down before it exits.
//
//   orvane-aax-host MODULE describe
//   orvane-aax-host MODULE params [--stem mono|stereo]
//   orvane-aax-host MODULE render IN OUT [OPTIONS]
//
// Output is JSON on standard output. Exit status: 0 done; 1 the module did not load, lacks an
// entry point, refused to start or its editor did not open; 2 refused input (one line on stderr).
#include "host/HostShell.h"
#include "platform/aax/AAX_Interfaces.h"
#include "platform/aax/host/AAXHost.h"
#include "platform/gui/HeadlessBackend.h"
#include "platform/vst/AEffEditor.h"
#include "platform/vst/AudioEffect.h"

#include <CLI/CLI.hpp>
#include <sndfile.h>

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{

using host::jsonNumber;
using host::jsonString;
using host::UsageError;

// The module could not be used: exit status 1.
struct ModuleError {
    std::string message;
};

constexpr AAX_CTypeID kEditorBlockID = AAX_FourCC("KsEd");

struct Options {
    std::vector<std::string> positional; // MODULE COMMAND [IN OUT]
    std::string stem = "stereo";
    double rate = 0.0;
    int block = 512;
    std::vector<std::string> sets;
    bool bypass = false;
    std::vector<double> tempo;
    std::vector<double> position;
    bool stopped = false;
    std::vector<std::string> midi;
    std::string chunkSave, chunkLoad, guiSnapshot;
    bool printParams = false;
};

struct MidiPacket {
    long long frame;
    uint8_t bytes[3];
};

std::string fourCC(AAX_CTypeID id)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += static_cast<char>((id >> shift) & 0xFF);
    return text;
}

long long parseInteger(const std::string& text, long long low, long long high, const std::string& what)
{
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < low || value > high)
        throw UsageError{what + ": '" + text + "' is not a number from " + std::to_string(low) + " to " +
                         std::to_string(high)};
    return value;
}

MidiPacket parseMidi(const std::string& text)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1)
        fields.push_back(text.substr(start, colon - start));
    fields.push_back(text.substr(start));
    if (fields.size() != 4) throw UsageError{"--midi expects FRAME:B0:B1:B2, got '" + text + "'"};
    MidiPacket packet{};
    packet.frame = parseInteger(fields[0], 0, (1LL << 40), "--midi frame");
    for (int i = 0; i < 3; ++i)
        packet.bytes[i] =
            static_cast<uint8_t>(parseInteger(fields[static_cast<size_t>(i) + 1], 0, 255, "--midi byte"));
    return packet;
}

std::pair<std::string, double> parseSet(const std::string& text)
{
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) throw UsageError{"--set expects ID=VALUE, got '" + text + "'"};
    const std::string value = text.substr(eq + 1);
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v) || v < 0.0 || v > 1.0)
        throw UsageError{"--set " + text + ": the value must be a number from 0 to 1"};
    return {text.substr(0, eq), v};
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UsageError{"cannot read '" + path + "'"};
    // A chunk is a few kilobytes; anything far larger is not one.
    constexpr std::streamoff kMaxChunk = 16 << 20;
    in.seekg(0, std::ios::end);
    if (in.tellg() > kMaxChunk) throw UsageError{"'" + path + "' is too large for a chunk"};
    in.seekg(0);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) throw UsageError{"cannot write '" + path + "'"};
}

// The loaded and started module; shuts it down and closes it last.
class Session
{
  public:
    explicit Session(const std::string& path)
    {
        if (!module.load(path)) throw ModuleError{module.error()};
        const AAX_Result started = module.startup(nullptr);
        if (started != AAX_SUCCESS)
            throw ModuleError{std::string("ACFStartup failed: ") + AAX_ResultName(started)};
        running = true;
    }
    ~Session()
    {
        if (running) module.shutdown(nullptr);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const AAX_IPluginDefinition& definition()
    {
        const AAX_IPluginDefinition* def = nullptr;
        const AAX_Result result = module.registerPlugin(nullptr, &def);
        if (result != AAX_SUCCESS || !def)
            throw ModuleError{std::string("ACFRegisterPlugin failed: ") + AAX_ResultName(result)};
        return *def;
    }

    AAXModule module;

  private:
    bool running = false;
};

// One instance of a component, created through the module's class factory. Objects the module
// made are deleted before the session shuts the module down.
class Instance
{
  public:
    Instance(Session& session, AAX_EStemFormat stem, double rate) : controller(rate, stem, stem)
    {
        const AAX_IPluginDefinition& def = session.definition();
        AAX_CTypeID pluginID = 0;
        for (int32_t e = 0; e < def.EffectCount() && !pluginID; ++e) {
            const AAX_IEffectDefinition* described = nullptr;
            if (session.module.registerComponent(nullptr, static_cast<uint32_t>(e), &described) !=
                    AAX_SUCCESS ||
                !described)
                continue;
            for (int32_t c = 0; c < described->ComponentCount(); ++c)
                if (described->Component(c)->mInputStemFormat == stem)
                    pluginID = described->Component(c)->mPluginID;
        }
        if (!pluginID) throw ModuleError{"the module has no component for that stem format"};
        AAX_IClassFactory* made = nullptr;
        const AAX_Result result = session.module.getClassFactory(nullptr, pluginID, &made);
        factory.reset(made);
        if (result != AAX_SUCCESS || !factory)
            throw ModuleError{std::string("ACFGetClassFactory failed: ") + AAX_ResultName(result)};
        effect.reset(factory->CreateEffectParameters());
        if (!effect) throw ModuleError{"the class factory made no effect parameters"};
        controller.setEffect(effect.get());
        const AAX_Result initialised = effect->Initialize(&controller);
        if (initialised != AAX_SUCCESS)
            throw ModuleError{std::string("initialisation failed: ") + AAX_ResultName(initialised)};
    }

    AAXController controller;
    std::unique_ptr<AAX_IClassFactory> factory;
    std::unique_ptr<AAX_IEffectParameters> effect;
};

int describe(Session& session)
{
    uint64_t version = 0;
    session.module.getSDKVersion(&version);
    const AAX_IPluginDefinition& def = session.definition();
    std::printf("{\"sdkVersion\": \"0x%" PRIX64 "\", \"entryPoints\": [", version);
    for (int i = 0; i < 7; ++i)
        std::printf("%s%s", i ? ", " : "", jsonString(AAXModule::entryPointNames[i]).c_str());
    std::printf("], \"manufacturer\": %s, \"packages\": [", jsonString(def.ManufacturerName()).c_str());
    for (int32_t p = 0; p < def.PackageCount(); ++p)
        std::printf("%s%s", p ? ", " : "", jsonString(def.PackageName(p)).c_str());
    std::printf("], \"packageVersion\": %u, \"effects\": [", def.PackageVersion());
    for (int32_t e = 0; e < def.EffectCount(); ++e) {
        const AAX_IEffectDefinition* effect = def.Effect(e);
        std::printf("%s{\"id\": %s, \"name\": %s, \"category\": %u, \"components\": [", e ? ", " : "",
                    jsonString(effect->Identifier()).c_str(), jsonString(effect->Name()).c_str(),
                    effect->Category());
        for (int32_t c = 0; c < effect->ComponentCount(); ++c) {
            const AAX_SInstrumentSetupInfo& s = *effect->Component(c);
            std::printf("%s{\"pluginId\": %s, \"manufacturerId\": %s, \"productId\": %s, \"inputStem\": %u, "
                        "\"outputStem\": %u, \"bypassAllowed\": %s",
                        c ? ", " : "", jsonString(fourCC(s.mPluginID).c_str()).c_str(),
                        jsonString(fourCC(s.mManufacturerID).c_str()).c_str(),
                        jsonString(fourCC(s.mProductID).c_str()).c_str(), s.mInputStemFormat,
                        s.mOutputStemFormat, s.mCanBypass ? "true" : "false");
            if (s.mNeedsInputMIDI)
                std::printf(", \"midiInput\": {\"name\": %s, \"channelMask\": %u}",
                            jsonString(s.mInputMIDINodeName).c_str(), s.mInputMIDIChannelMask);
            if (s.mNeedsGlobalMIDI)
                std::printf(", \"globalMidi\": {\"name\": %s, \"eventMask\": %u}",
                            jsonString(s.mGlobalMIDINodeName).c_str(), s.mGlobalMIDIEventMask);
            std::printf(", \"transport\": %s}", s.mNeedsTransport ? "true" : "false");
        }
        std::printf("]}");
    }
    std::printf("]}\n");
    return 0;
}

int listParams(Instance& instance)
{
    std::printf("{\"params\": [");
    for (int32_t i = 0; i < instance.effect->GetNumberOfParameters(); ++i) {
        const AAX_IParameter& p = *instance.effect->GetParameter(i);
        char text[128] = {};
        p.GetValueString(p.GetNormalizedDefaultValue(), text, sizeof text);
        std::printf("%s{\"id\": %s, \"name\": %s, \"default\": %s, \"automatable\": %s, \"steps\": %d, "
                    "\"type\": \"%s\", \"taper\": %s, \"min\": %s, \"max\": %s, \"text\": %s}",
                    i ? ",\n " : "", jsonString(p.Identifier()).c_str(), jsonString(p.Name()).c_str(),
                    jsonNumber(p.GetNormalizedDefaultValue()).c_str(), p.IsAutomatable() ? "true" : "false",
                    p.GetNumberOfSteps(),
                    p.GetType() == AAX_eParameterType_Discrete ? "discrete" : "continuous",
                    jsonString(p.TaperName()).c_str(), jsonNumber(p.RealMinimum()).c_str(),
                    jsonNumber(p.RealMaximum()).c_str(), jsonString(text).c_str());
    }
    std::printf("]}\n");
    return 0;
}

// The plug-in's own values, read through the editor that the "KsEd" custom data block hands out.
std::vector<float> pluginValues(const Instance& instance)
{
    AEffEditor* editor = nullptr;
    uint32_t written = 0;
    instance.effect->GetCustomData(kEditorBlockID, sizeof editor, &editor, &written);
    std::vector<float> values;
    if (written != sizeof editor || !editor || !editor->getEffect()) return values;
    AudioEffect& effect = *editor->getEffect();
    for (VstInt32 i = 0; i < effect.getAeffect()->numParams; ++i)
        values.push_back(effect.getParameter(i));
    return values;
}

void printParams(const Instance& instance)
{
    std::printf("{\"params\": {");
    for (int32_t i = 0; i < instance.effect->GetNumberOfParameters(); ++i) {
        const AAX_IParameter& p = *instance.effect->GetParameter(i);
        std::printf("%s%s: %s", i ? ", " : "", jsonString(p.Identifier()).c_str(),
                    jsonNumber(p.GetNormalizedValue()).c_str());
    }
    std::printf("}, \"vst\": [");
    const std::vector<float> values = pluginValues(instance);
    for (size_t i = 0; i < values.size(); ++i)
        std::printf("%s%s", i ? ", " : "", jsonNumber(values[i]).c_str());
    std::printf("]}\n");
}

void guiSnapshot(Instance& instance, const std::string& path)
{
    std::unique_ptr<AAX_IEffectGUI> gui(instance.factory->CreateEffectGUI());
    if (!gui) throw ModuleError{"the class factory made no GUI"};
    gui->Initialize(&instance.controller);
    gui::HeadlessParent parent;
    AAXViewContainer container(AAX_eViewContainer_Type_Native, &parent, AAX_eWindowSystem_Headless);
    gui->SetViewContainer(&container);
    AAX_Point size;
    gui->GetViewSize(&size);
    if (!parent.frame || size.horz <= 0.0f || size.vert <= 0.0f) {
        gui->SetViewContainer(nullptr);
        throw ModuleError{"the editor did not open"};
    }
    gui->TimerWakeup();
    AAX_Rect whole{0.0f, 0.0f, size.horz, size.vert};
    gui->Draw(&whole);
    const bool written = parent.writeSnapshot(path);
    gui->SetViewContainer(nullptr);
    if (!written) throw UsageError{"cannot write '" + path + "'"};
}

int render(Session& session, const Options& options)
{
    if (options.positional.size() != 4) throw UsageError{"render expects IN and OUT"};
    const std::string& inPath = options.positional[2];
    const std::string& outPath = options.positional[3];
    const bool mono = options.stem == "mono";
    const int channels = mono ? 1 : 2;

    std::vector<MidiPacket> packets;
    for (const std::string& m : options.midi)
        packets.push_back(parseMidi(m));
    std::vector<std::pair<std::string, double>> sets;
    for (const std::string& s : options.sets)
        sets.push_back(parseSet(s));
    std::vector<uint8_t> chunk;
    if (!options.chunkLoad.empty()) chunk = readFile(options.chunkLoad);

    SF_INFO inInfo{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> in(sf_open(inPath.c_str(), SFM_READ, &inInfo), sf_close);
    if (!in) throw UsageError{"cannot read input '" + inPath + "': " + sf_strerror(nullptr)};
    if (inInfo.channels < 1 || inInfo.samplerate < 1) throw UsageError{"input '" + inPath + "' has no audio"};
    const double rate = options.rate > 0.0 ? options.rate : inInfo.samplerate;

    Instance instance(session, mono ? AAX_eStemFormat_Mono : AAX_eStemFormat_Stereo, rate);
    if (!chunk.empty() || !options.chunkLoad.empty()) {
        const AAX_Result result =
            instance.effect->SetChunk(AAX_FourCC("prms"), chunk.data(), static_cast<uint32_t>(chunk.size()));
        if (result != AAX_SUCCESS)
            throw UsageError{"--chunk-load " + options.chunkLoad + ": " + AAX_ResultName(result)};
    }
    for (const auto& [id, value] : sets) {
        const AAX_Result result = instance.effect->UpdateParameterNormalizedValue(id.c_str(), value);
        if (result != AAX_SUCCESS) throw UsageError{"--set " + id + ": " + AAX_ResultName(result)};
    }
    if (options.bypass) instance.effect->UpdateParameterNormalizedValue(AAX_cMasterBypassID, 1.0);

    AAXTransport transport;
    transport.playing = !options.stopped;
    transport.tempo = options.tempo.empty() ? 120.0 : options.tempo[0];
    transport.exactTicks = (options.position.empty() ? 0.0 : options.position[0]) * AAX_cTicksPerQuarter;
    transport.ticks = std::llround(transport.exactTicks);
    AAXMidiNode midiIn, globalMidi;

    SF_INFO outInfo{};
    outInfo.samplerate = static_cast<int>(std::lround(rate));
    outInfo.channels = channels;
    outInfo.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> out(sf_open(outPath.c_str(), SFM_WRITE, &outInfo), sf_close);
    if (!out) throw UsageError{"cannot write output '" + outPath + "': " + sf_strerror(nullptr)};

    const int block = options.block;
    std::vector<float> interleaved(static_cast<size_t>(block) * static_cast<size_t>(inInfo.channels));
    std::vector<float> inBuf[2], outBuf[2];
    for (int c = 0; c < 2; ++c) {
        inBuf[c].assign(static_cast<size_t>(block), 0.0f);
        outBuf[c].assign(static_cast<size_t>(block), 0.0f);
    }
    float* inputs[2] = {inBuf[0].data(), inBuf[1].data()};
    float* outputs[2] = {outBuf[0].data(), outBuf[1].data()};
    std::vector<float> written(static_cast<size_t>(block) * static_cast<size_t>(channels));
    long long start = 0;
    for (;;) {
        const auto got = static_cast<int>(sf_readf_float(in.get(), interleaved.data(), block));
        if (got <= 0) break;
        for (int i = 0; i < got; ++i) {
            const size_t at = static_cast<size_t>(i) * static_cast<size_t>(inInfo.channels);
            inBuf[0][static_cast<size_t>(i)] = interleaved[at];
            inBuf[1][static_cast<size_t>(i)] = interleaved[at + static_cast<size_t>(inInfo.channels - 1)];
        }
        midiIn.packets.clear();
        for (const MidiPacket& p : packets)
            if (p.frame >= start && p.frame < start + got) {
                AAX_CMidiPacket packet;
                packet.mTimestamp = static_cast<uint32_t>(p.frame - start);
                packet.mLength = 3;
                std::copy(std::begin(p.bytes), std::end(p.bytes), packet.mData);
                midiIn.packets.push_back(packet);
            }
        const int32_t frames = got;
        const AAX_SRenderContext context{inputs, outputs, &frames, &midiIn, &globalMidi, &transport};
        instance.effect->RenderAudio(context);
        for (int i = 0; i < got; ++i)
            for (int c = 0; c < channels; ++c)
                written[static_cast<size_t>(i * channels + c)] = outBuf[c][static_cast<size_t>(i)];
        if (sf_writef_float(out.get(), written.data(), got) != got)
            throw UsageError{"cannot write output '" + outPath + "'"};
        transport.advance(got, rate);
        start += got;
    }
    out.reset();

    if (!options.chunkSave.empty()) {
        uint32_t size = 0;
        instance.effect->GetChunkSize(AAX_FourCC("prms"), &size);
        std::vector<uint8_t> bytes(size);
        uint32_t length = 0;
        const AAX_Result result = instance.effect->GetChunk(AAX_FourCC("prms"), bytes.data(), size, &length);
        if (result != AAX_SUCCESS)
            throw ModuleError{std::string("GetChunk failed: ") + AAX_ResultName(result)};
        writeFile(options.chunkSave, bytes.data(), length);
    }
    if (options.printParams) printParams(instance);
    if (!options.guiSnapshot.empty()) guiSnapshot(instance, options.guiSnapshot);
    return 0;
}

int run(int argc, char** argv)
{
    Options options;
    CLI::App app{"orvane-aax-host: loads an AAX module and drives it as a host would"};
    app.add_option("args", options.positional, "MODULE COMMAND [IN OUT]; COMMAND: describe, params or render")
        ->required();
    app.add_option("--stem", options.stem, "stem format of the instance (default stereo)")
        ->check(CLI::IsMember({"mono", "stereo"}));
    app.add_option("--rate", options.rate, "sample rate of the instance and of OUT (default: IN's)")
        ->check(CLI::Range(1000.0, 768000.0));
    app.add_option("--block", options.block, "buffer size in frames (default 512)")
        ->check(CLI::Range(1, 65536));
    app.add_option("--set", options.sets, "normalised-value update ID=VALUE before the first buffer")
        ->allow_extra_args(false);
    app.add_flag("--bypass", options.bypass, "master bypass on");
    app.add_option("--tempo", options.tempo, "transport tempo (default 120)")
        ->check(CLI::Range(1.0, 1000.0))
        ->expected(1);
    app.add_option("--position", options.position, "transport position in quarter notes at the start")
        ->check(CLI::Range(0.0, 1e9))
        ->expected(1);
    app.add_flag("--stopped", options.stopped, "transport stopped throughout");
    app.add_option("--midi", options.midi, "MIDI packet FRAME:B0:B1:B2 (decimal)")->allow_extra_args(false);
    app.add_option("--chunk-save", options.chunkSave, "write the SDK chunk to F after the render");
    app.add_option("--chunk-load", options.chunkLoad, "restore the SDK chunk from F before the first buffer");
    app.add_flag("--print-params", options.printParams, "print the parameter values after the render");
    app.add_option("--gui-snapshot", options.guiSnapshot,
                   "open the GUI headless after the render, write a PNG");
    if (const auto exit = host::parseCommandLine(app, argc, argv)) return *exit;

    if (options.positional.size() < 2) throw UsageError{"expected MODULE COMMAND"};
    const std::string& command = options.positional[1];
    if (command != "describe" && command != "params" && command != "render")
        throw UsageError{"unknown command '" + command + "' (describe, params or render)"};
    if (options.stopped && (!options.tempo.empty() || !options.position.empty()))
        throw UsageError{"--stopped cannot be combined with --tempo or --position"};
    const bool renderOptions = options.rate > 0.0 || options.block != 512 || !options.sets.empty() ||
                               options.bypass || !options.tempo.empty() || !options.position.empty() ||
                               options.stopped || !options.midi.empty() || !options.chunkSave.empty() ||
                               !options.chunkLoad.empty() || options.printParams ||
                               !options.guiSnapshot.empty();
    if (command != "render" && (renderOptions || options.positional.size() != 2))
        throw UsageError{command + " takes no files and no render options"};
    if (command == "describe" && options.stem != "stereo") throw UsageError{"describe takes no --stem"};

    Session session(options.positional[0]);
    if (command == "describe") return describe(session);
    if (command == "params") {
        Instance instance(session, options.stem == "mono" ? AAX_eStemFormat_Mono : AAX_eStemFormat_Stereo,
                          48000.0);
        return listParams(instance);
    }
    return render(session, options);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "orvane-aax-host: error: %s\n", e.message.c_str());
        return 2;
    } catch (const ModuleError& e) {
        std::fprintf(stderr, "orvane-aax-host: error: %s\n", e.message.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvane-aax-host: error: %s\n", e.what());
        return 2;
    }
}
