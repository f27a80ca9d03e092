// orvane-lv2-compare: runs Orvane configurations and peer LV2 plug-ins (Debian's
// calf-plugins) side by side in one run, through liblilv, at 48 kHz stereo in blocks of 512
// frames, and prints seconds of processing per 100 s of audio and the ratio to each peer.
// Peers that are not installed are skipped. Rounds alternate between all configurations and
// the fastest round counts, so that drift of the machine affects every row alike.
//
//   orvane-lv2-compare [--seconds S] [--rounds N] [--bundle-dir DIR] [--breakdown] [--help]
//
// --breakdown adds the whole chain with one section switched off at a time: the difference
// to the whole chain is what that section costs inside the chain, which can differ from what
// it costs alone (a section hears what the ones before it made of the signal).
//
// Goals: every Orvane section at least twice as fast as its peer; the whole chain (every
// section on, filter "LP4 MG HQ") cheaper than the peer reverb alone.

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr double sampleRate = 48000.0;
constexpr uint32_t blockFrames = 512;
constexpr const char* orvaneUri = "urn:tirsk-audio:orvane";
constexpr const char* calf = "http://calf.sourceforge.net/plugins/";

struct Setting {
    const char* symbol;
    float value; // port value
};

struct Config {
    std::string label;
    std::string uri;
    std::vector<Setting> settings;
};

// One row of the table: an Orvane configuration, its peer and the goal between them.
struct Row {
    std::string section;
    Config orvane;
    Config peer;
    double goal; // required peer time / Orvane time
};

// URIDs for the plug-ins that want them.
struct UridMap {
    std::deque<std::string> uris;
    LV2_URID_Map map{this, mapUri};
    LV2_URID_Unmap unmap{this, unmapUri};

    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri)
    {
        auto* self = static_cast<UridMap*>(handle);
        for (size_t i = 0; i < self->uris.size(); ++i)
            if (self->uris[i] == uri) return static_cast<LV2_URID>(i + 1);
        self->uris.emplace_back(uri);
        return static_cast<LV2_URID>(self->uris.size());
    }
    static const char* unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID id)
    {
        auto* self = static_cast<UridMap*>(handle);
        return id >= 1 && id <= self->uris.size() ? self->uris[id - 1].c_str() : nullptr;
    }
};

// A running instance with every port connected.
class Runner
{
  public:
    Runner(LilvWorld* world, const LilvPlugin* plugin, const Config& config, UridMap& urids)
        : sequenceType(urids.map.map(urids.map.handle, LV2_ATOM__Sequence))
    {
        features[0] = {LV2_URID__map, &urids.map};
        features[1] = {LV2_URID__unmap, &urids.unmap};
        featureList = {&features[0], &features[1], nullptr};
        instance = lilv_plugin_instantiate(plugin, sampleRate, featureList.data());
        if (!instance) return;

        const uint32_t count = lilv_plugin_get_num_ports(plugin);
        std::vector<float> defaults(count), minimum(count);
        lilv_plugin_get_port_ranges_float(plugin, minimum.data(), nullptr, defaults.data());
        controls.assign(count, 0.0f);
        LilvNode* audio = lilv_new_uri(world, LILV_URI_AUDIO_PORT);
        LilvNode* control = lilv_new_uri(world, LILV_URI_CONTROL_PORT);
        LilvNode* atom = lilv_new_uri(world, LV2_ATOM__AtomPort);
        LilvNode* input = lilv_new_uri(world, LILV_URI_INPUT_PORT);
        int audioIn = 0, audioOut = 0;
        for (uint32_t i = 0; i < count; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
            const bool in = lilv_port_is_a(plugin, port, input);
            if (lilv_port_is_a(plugin, port, audio)) {
                std::vector<float>& buffer =
                    in ? (audioIn++ == 0 ? inLeft : inRight) : (audioOut++ == 0 ? outLeft : outRight);
                lilv_instance_connect_port(instance, i, buffer.data());
            } else if (lilv_port_is_a(plugin, port, control)) {
                controls[i] =
                    std::isnan(defaults[i]) ? (std::isnan(minimum[i]) ? 0.0f : minimum[i]) : defaults[i];
                lilv_instance_connect_port(instance, i, &controls[i]);
            } else if (lilv_port_is_a(plugin, port, atom)) {
                atomBuffers.emplace_back(8192, 0);
                auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atomBuffers.back().data());
                inputAtoms.push_back(in ? sequence : nullptr);
                outputAtoms.push_back(in ? nullptr : sequence);
                lilv_instance_connect_port(instance, i, sequence);
            } else {
                spare.emplace_back(blockFrames, 0.0f);
                lilv_instance_connect_port(instance, i, spare.back().data());
            }
        }
        lilv_node_free(audio);
        lilv_node_free(control);
        lilv_node_free(atom);
        lilv_node_free(input);
        for (const Setting& s : config.settings) {
            LilvNode* symbol = lilv_new_string(world, s.symbol);
            if (const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, symbol))
                controls[lilv_port_get_index(plugin, port)] = s.value;
            else
                std::fprintf(stderr, "%s has no port \"%s\"\n", config.label.c_str(), s.symbol);
            lilv_node_free(symbol);
        }
        lilv_instance_activate(instance);
    }

    ~Runner()
    {
        if (instance) {
            lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
        }
    }

    bool ok() const { return instance != nullptr; }

    // Processes the signal once; returns the seconds it took.
    double process(const std::vector<float>& left, const std::vector<float>& right)
    {
        const auto start = std::chrono::steady_clock::now();
        for (size_t at = 0; at + blockFrames <= left.size(); at += blockFrames) {
            std::copy_n(left.begin() + static_cast<long>(at), blockFrames, inLeft.begin());
            std::copy_n(right.begin() + static_cast<long>(at), blockFrames, inRight.begin());
            for (size_t a = 0; a < inputAtoms.size(); ++a) {
                if (inputAtoms[a]) {
                    inputAtoms[a]->atom.type = sequenceType;
                    inputAtoms[a]->atom.size = sizeof(LV2_Atom_Sequence_Body);
                    inputAtoms[a]->body = {0, 0};
                } else {
                    outputAtoms[a]->atom.type = 0;
                    outputAtoms[a]->atom.size = 8192 - sizeof(LV2_Atom);
                }
            }
            lilv_instance_run(instance, blockFrames);
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

  private:
    LV2_URID sequenceType;
    LilvInstance* instance = nullptr;
    LV2_Feature features[2];
    std::vector<const LV2_Feature*> featureList;
    std::vector<float> controls;
    std::vector<float> inLeft = std::vector<float>(blockFrames), inRight = std::vector<float>(blockFrames);
    std::vector<float> outLeft = std::vector<float>(blockFrames), outRight = std::vector<float>(blockFrames);
    std::deque<std::vector<uint8_t>> atomBuffers;
    std::vector<LV2_Atom_Sequence*> inputAtoms, outputAtoms;
    std::deque<std::vector<float>> spare;
};

// A deterministic programme signal: a chord, a bass line and a little noise, never silent.
void makeSignal(double seconds, std::vector<float>& left, std::vector<float>& right)
{
    const size_t frames = static_cast<size_t>(seconds * sampleRate) / blockFrames * blockFrames;
    left.resize(frames);
    right.resize(frames);
    uint32_t noise = 12345;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        noise = noise * 1664525u + 1013904223u;
        const double n = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.05;
        const double bass =
            0.3 * std::sin(2.0 * M_PI * (55.0 + 27.5 * std::floor(std::fmod(t * 2.0, 4.0))) * t);
        const double chord = 0.1 * (std::sin(2.0 * M_PI * 261.6 * t) + std::sin(2.0 * M_PI * 329.6 * t) +
                                    std::sin(2.0 * M_PI * 392.0 * t));
        left[i] = static_cast<float>(bass + chord + n);
        right[i] = static_cast<float>(bass + 0.8 * chord - n);
    }
}

std::vector<Row> rows(bool breakdown)
{
    const std::string c = calf;
    const Config pulsator{"Calf Pulsator", c + "Pulsator", {}};
    const Config reverb{"Calf Reverb", c + "Reverb", {}};
    const std::vector<Setting> gate = {{"TranceGateOn", 1},    {"SeqPat1TGateOn", 1}, {"Seq1Step1Vol", 1},
                                       {"Seq1Step3Vol", 0.7f}, {"Seq1Step5Vol", 1},   {"Seq1Step9Vol", 1},
                                       {"Seq1Step12Vol", 0.5f}};
    std::vector<Setting> chain = gate;
    const std::vector<Setting> rest = {
        {"PanOn", 1},        {"MmFilterOn", 1}, {"MmFilterType", 20}, {"MmFilterCutoff", 0.5f},
        {"MmFilterRes", 40}, {"DistOn", 1},     {"DistXcita", 50},    {"DistSoftSat", 30},
        {"FlangerOn", 1},    {"DelayOn", 1},    {"DelayMix", 40},     {"DelayFeedback", 40},
        {"ReverbOn", 1},     {"ReverbMix", 30}};
    chain.insert(chain.end(), rest.begin(), rest.end());
    // The cutoff oscillator is a modulation, not a section; with it the filter recomputes its
    // coefficients every 16 frames, which is shown on its own row.
    std::vector<Setting> modulated = chain;
    modulated.push_back({"CutoffModOn", 1});
    std::vector<Row> table = {
        {"all sections off", {"Orvane, sections off", orvaneUri, {}}, {}, 0.0},
        {"trance gate", {"Orvane gate", orvaneUri, gate}, pulsator, 2.0},
        {"auto-pan", {"Orvane pan", orvaneUri, {{"PanOn", 1}, {"PanDepth", 100}}}, pulsator, 2.0},
        {"filter LP2 BQ",
         {"Orvane filter LP2 BQ", orvaneUri, {{"MmFilterOn", 1}, {"MmFilterType", 0}, {"MmFilterRes", 40}}},
         {"Calf Filter", c + "Filter", {}},
         2.0},
        {"filter LP4 MG HQ",
         {"Orvane filter LP4 MG HQ",
          orvaneUri,
          {{"MmFilterOn", 1}, {"MmFilterType", 20}, {"MmFilterRes", 40}}},
         {"Calf Filter", c + "Filter", {}},
         0.0},
        {"exciter",
         {"Orvane exciter", orvaneUri, {{"DistOn", 1}, {"DistXcita", 60}, {"DistSoftSat", 0}}},
         {"Calf Exciter", c + "Exciter", {}},
         2.0},
        {"saturator",
         {"Orvane saturator", orvaneUri, {{"DistOn", 1}, {"DistXcita", 0}, {"DistSoftSat", 60}}},
         {"Calf Saturator", c + "Saturator", {}},
         2.0},
        {"flanger",
         {"Orvane flanger", orvaneUri, {{"FlangerOn", 1}}},
         {"Calf Flanger", c + "Flanger", {}},
         2.0},
        {"delay",
         {"Orvane delay", orvaneUri, {{"DelayOn", 1}, {"DelayMix", 50}, {"DelayFeedback", 50}}},
         {"Calf VintageDelay", c + "VintageDelay", {}},
         2.0},
        {"reverb", {"Orvane reverb", orvaneUri, {{"ReverbOn", 1}, {"ReverbMix", 40}}}, reverb, 2.0},
        {"whole chain", {"Orvane, every section", orvaneUri, chain}, reverb, 1.0},
        {"chain + cutoff LFO", {"Orvane, chain, cutoff LFO", orvaneUri, modulated}, reverb, 0.0},
    };
    if (breakdown) {
        const char* switches[] = {"TranceGateOn", "PanOn",   "MmFilterOn", "DistOn",
                                  "FlangerOn",    "DelayOn", "ReverbOn"};
        for (const char* section : switches) {
            std::vector<Setting> without = chain;
            for (Setting& setting : without)
                if (std::strcmp(setting.symbol, section) == 0) setting.value = 0.0f;
            const std::string label = std::string("chain - ") + section;
            table.push_back({label, {label, orvaneUri, without}, reverb, 0.0});
        }
    }
    return table;
}

constexpr const char* usage =
    "Usage: orvane-lv2-compare [--seconds S] [--rounds N] [--bundle-dir DIR] [--breakdown]\n"
    "Runs Orvane configurations and peer LV2 plug-ins side by side at 48 kHz stereo in blocks of\n"
    "512 frames and prints seconds of processing per 100 s of audio and the ratio to each peer.\n"
    "  --seconds S       length of the test signal (1 to 600, default 10)\n"
    "  --rounds N        rounds over all configurations; the fastest counts (1 to 100, default 3)\n"
    "  --bundle-dir DIR  folder that holds orvane.lv2 (default: the build tree's)\n"
    "  --breakdown       also the whole chain with one section off at a time\n"
    "  --help            this text\n"
    "Exit status: 0 when every goal is met, 2 when one is not, 1 on errors.\n";

// The command line: options with a value, and flags.
struct Options {
    const char* seconds = nullptr;
    const char* rounds = nullptr;
    const char* bundleDir = nullptr;
    bool breakdown = false;
    bool help = false;
    const char* unknown = nullptr; // the first argument that is not understood
};

Options parseOptions(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char** value = std::strcmp(a, "--seconds") == 0      ? &o.seconds
                             : std::strcmp(a, "--rounds") == 0     ? &o.rounds
                             : std::strcmp(a, "--bundle-dir") == 0 ? &o.bundleDir
                                                                   : nullptr;
        if (value && i + 1 < argc)
            *value = argv[++i];
        else if (std::strcmp(a, "--breakdown") == 0)
            o.breakdown = true;
        else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)
            o.help = true;
        else if (!o.unknown)
            o.unknown = a;
    }
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parseOptions(argc, argv);
    if (options.help) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (options.unknown) {
        std::fprintf(stderr, "orvane-lv2-compare: unknown or incomplete option %s (see --help)\n",
                     options.unknown);
        return 1;
    }
    const char* secondsText = options.seconds;
    const char* roundsText = options.rounds;
    const char* bundleDir = options.bundleDir;
    const double seconds = std::clamp(secondsText ? std::atof(secondsText) : 10.0, 1.0, 600.0);
    const int rounds = std::clamp(roundsText ? std::atoi(roundsText) : 3, 1, 100);

    LilvWorld* world = lilv_world_new();
    lilv_world_load_all(world);
    std::string bundle = std::string(bundleDir ? bundleDir : ORVANE_LV2_BUNDLE_DIR) + "/orvane.lv2/";
    LilvNode* bundleNode = lilv_new_file_uri(world, nullptr, bundle.c_str());
    lilv_world_load_bundle(world, bundleNode);
    lilv_node_free(bundleNode);
    const LilvPlugins* plugins = lilv_world_get_all_plugins(world);

    UridMap urids;
    std::vector<float> left, right;
    makeSignal(seconds, left, right);

    // One runner per distinct configuration, in table order.
    std::map<std::string, std::unique_ptr<Runner>> runners;
    std::vector<std::string> order;
    auto prepare = [&](const Config& config) {
        if (config.uri.empty() || runners.count(config.label)) return;
        LilvNode* uri = lilv_new_uri(world, config.uri.c_str());
        const LilvPlugin* plugin = lilv_plugins_get_by_uri(plugins, uri);
        lilv_node_free(uri);
        if (!plugin) {
            std::fprintf(stderr, "%s (%s) is not installed: skipped\n", config.label.c_str(),
                         config.uri.c_str());
            runners[config.label] = nullptr;
            return;
        }
        auto runner = std::make_unique<Runner>(world, plugin, config, urids);
        runners[config.label] = runner->ok() ? std::move(runner) : nullptr;
        order.push_back(config.label);
    };
    const std::vector<Row> table = rows(options.breakdown);
    for (const Row& row : table) {
        prepare(row.orvane);
        prepare(row.peer);
    }
    if (!runners[table.front().orvane.label]) {
        std::fprintf(stderr, "Orvane is not found in %s\n", bundle.c_str());
        return 1;
    }

    std::map<std::string, double> best;
    for (int round = 0; round < rounds; ++round)
        for (const std::string& label : order)
            if (Runner* r = runners[label].get()) {
                const double t = r->process(left, right);
                best[label] = round == 0 ? t : std::min(best[label], t);
            }

    const double audioSeconds = static_cast<double>(left.size()) / sampleRate;
    auto per100 = [&](const std::string& label) { return best[label] * 100.0 / audioSeconds; };
    std::printf(
        "Seconds of processing per 100 s of audio (48 kHz stereo, block %u, best of %d rounds of %.0f s)\n\n",
        blockFrames, rounds, audioSeconds);
    std::printf("%-18s %-24s %9s %9s  %-18s %9s  %7s  %s\n", "section", "Orvane", "s/100 s", "x realtime",
                "peer", "s/100 s", "ratio", "goal");
    bool allMet = true;
    for (const Row& row : table) {
        const double ours = per100(row.orvane.label);
        std::printf("%-18s %-24s %9.4f %9.0fx  ", row.section.c_str(), row.orvane.label.c_str(), ours,
                    100.0 / ours);
        if (row.peer.uri.empty() || !runners[row.peer.label]) {
            std::printf("%-18s %9s  %7s  %s\n", row.peer.uri.empty() ? "-" : row.peer.label.c_str(), "-", "-",
                        row.peer.uri.empty() ? "" : "peer not installed");
            continue;
        }
        const double theirs = per100(row.peer.label);
        const double ratio = theirs / ours;
        const bool met = row.goal <= 0.0 || ratio >= row.goal;
        allMet = allMet && met;
        std::printf("%-18s %9.4f  %6.2fx  ", row.peer.label.c_str(), theirs, ratio);
        if (row.goal > 1.0)
            std::printf("at least %.0fx faster: %s\n", row.goal, met ? "met" : "NOT met");
        else if (row.goal > 0.0)
            std::printf("cheaper than the peer: %s\n", met ? "met" : "NOT met");
        else
            std::printf("(for information)\n");
    }
    std::printf("\nratio = peer time / Orvane time; above 1 Orvane is faster.\n");

    runners.clear();
    lilv_world_free(world);
    return allMet ? 0 : 2;
}
