// orvane-lv2-ttl: writes the metadata of the LV2 bundle (manifest.ttl, orvane.ttl and
// presets.ttl) from the engine's own tables and the factory bank. Run at build time; the
// files are never edited by hand.
//
//   orvane-lv2-ttl --out <bundle folder> --binary orvane.so [--ui-binary orvane_ui.so]
//                  [--bank "<factory bank>.fxb"]
//
// Without a bank (or when it cannot be read) the bundle has no presets; without a user interface
// module none is declared.

#include "engine/ParameterTable.h"
#include "lv2/OrvaneLv2Ports.h"
#include "shell/OrvaneVST.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using namespace OrvaneLv2Ports;

struct FactoryProgram {
    std::string name;
    std::vector<float> values; // normalised, one per control port
};

// A number as a Turtle literal that reads back as exactly the same float.
std::string number(float value)
{
    // The shortest text that reads back as the same float.
    char text[64];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    std::string s(text);
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

std::string quoted(const std::string& text)
{
    std::string s = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') s += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) s += c;
    }
    return s + "\"";
}

const char* prefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                       "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                       "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                       "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                       "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
                       "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                       "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                       "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                       "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                       "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                       "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                       "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                       "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
                       "@prefix work: <http://lv2plug.in/ns/ext/worker#> .\n\n";

std::string presetUri(size_t slot)
{
    char text[16];
    std::snprintf(text, sizeof text, "#preset%02zu", slot + 1);
    return std::string(pluginUri) + text;
}

// The user interface: the editor in an X11 window, reaching the plug-in instance directly.
std::string userInterface(const std::string& uiBinary)
{
    std::ostringstream out;
    out << "\n<" << uiUri << ">\n    a ui:X11UI ;\n    ui:binary <" << uiBinary << "> ;\n"
        << "    lv2:requiredFeature ui:parent , <http://lv2plug.in/ns/ext/instance-access> ;\n"
        << "    lv2:optionalFeature ui:idleInterface , ui:resize , ui:touch , ui:noUserResize , urid:map ;\n"
        << "    lv2:extensionData ui:idleInterface .\n";
    return out.str();
}

std::string manifest(const std::string& binary, const std::string& uiBinary,
                     const std::vector<FactoryProgram>& programs, const std::vector<size_t>& slots)
{
    std::ostringstream out;
    out << prefixes;
    out << "<" << pluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << binary
        << "> ;\n    rdfs:seeAlso <orvane.ttl> .\n";
    if (!uiBinary.empty()) out << userInterface(uiBinary);
    for (size_t i = 0; i < programs.size(); ++i)
        out << "\n<" << presetUri(slots[i]) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << pluginUri
            << "> ;\n    rdfs:label " << quoted(programs[i].name) << " ;\n    rdfs:seeAlso <presets.ttl> .\n";
    return out.str();
}

void controlPort(std::ostringstream& out, const ControlPort& port)
{
    out << "        a lv2:InputPort , lv2:ControlPort ;\n";
    out << "        lv2:index " << port.index << " ;\n";
    out << "        lv2:symbol " << quoted(port.symbol) << " ;\n";
    out << "        lv2:name " << quoted(port.name) << " ;\n";
    out << "        lv2:default " << number(port.defaultValue) << " ;\n";
    out << "        lv2:minimum " << number(port.map.lower) << " ;\n";
    out << "        lv2:maximum " << number(port.map.upper);
    if (port.map.style == Style::toggle)
        out << " ;\n        lv2:portProperty lv2:toggled , lv2:integer";
    else if (port.integer)
        out << " ;\n        lv2:portProperty lv2:integer";
    if (port.enumeration) out << " , lv2:enumeration";
    if (!port.unitUri.empty()) out << " ;\n        units:unit <" << port.unitUri << ">";
    for (size_t i = 0; i < port.scalePoints.size(); ++i) {
        out << (i == 0 ? " ;\n        lv2:scalePoint " : " ,\n            ");
        out << "[ rdfs:label " << quoted(port.scalePoints[i].label) << " ; rdf:value "
            << number(port.scalePoints[i].value) << " ]";
    }
    out << "\n";
}

void simplePort(std::ostringstream& out, const char* classes, uint32_t index, const char* symbol,
                const std::string& name)
{
    out << "        a " << classes << " ;\n";
    out << "        lv2:index " << index << " ;\n";
    out << "        lv2:symbol " << quoted(symbol) << " ;\n";
    out << "        lv2:name " << quoted(name);
}

std::string pluginDescription(bool withUi)
{
    std::ostringstream out;
    out << prefixes;
    out << "<" << pluginUri << ">\n"
        << "    a lv2:Plugin , lv2:ModulatorPlugin ;\n"
        << "    doap:name \"Orvane\" ;\n"
        << "    doap:maintainer [ foaf:name \"Tirsk Audio\" ] ;\n"
        << "    lv2:minorVersion 50 ;\n"
        << "    lv2:microVersion 1 ;\n"
        << "    lv2:project [ doap:name \"Orvane\" ] ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , urid:map , work:schedule ;\n"
        << "    lv2:extensionData state:interface , work:interface ;\n";
    if (withUi) out << "    ui:ui <" << uiUri << "> ;\n";
    out << "    lv2:port [\n";
    for (uint32_t i = 0; i < controlCount; ++i) {
        controlPort(out, describeControl(static_cast<int>(i)));
        out << "    ] , [\n";
    }
    simplePort(out, "lv2:InputPort , lv2:AudioPort", audioInLeft, "in_l", "Input L");
    out << "\n    ] , [\n";
    simplePort(out, "lv2:InputPort , lv2:AudioPort", audioInRight, "in_r", "Input R");
    out << "\n    ] , [\n";
    simplePort(out, "lv2:OutputPort , lv2:AudioPort", audioOutLeft, "out_l", "Output L");
    out << "\n    ] , [\n";
    simplePort(out, "lv2:OutputPort , lv2:AudioPort", audioOutRight, "out_r", "Output R");
    out << "\n    ] , [\n";
    simplePort(out, "lv2:InputPort , atom:AtomPort", events, "control", "MIDI and transport");
    out << " ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent , time:Position ;\n"
        << "        lv2:designation lv2:control ;\n"
        << "        lv2:portProperty lv2:connectionOptional\n";
    const char* meterNames[2] = {parameterInfo(348).name, parameterInfo(349).name};
    const uint32_t meterPorts[2] = {meterLeft, meterRight};
    for (int m = 0; m < 2; ++m) {
        out << "    ] , [\n";
        simplePort(out, "lv2:OutputPort , lv2:ControlPort", meterPorts[m], meterNames[m], meterNames[m]);
        out << " ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 1.0\n";
    }
    out << "    ] .\n";
    return out.str();
}

std::string presets(const std::vector<FactoryProgram>& programs, const std::vector<size_t>& slots)
{
    std::ostringstream out;
    out << prefixes;
    for (size_t p = 0; p < programs.size(); ++p) {
        out << "<" << presetUri(slots[p]) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << pluginUri
            << "> ;\n    rdfs:label " << quoted(programs[p].name) << " ;\n    lv2:port ";
        for (uint32_t i = 0; i < controlCount; ++i) {
            const ControlPort port = describeControl(static_cast<int>(i));
            out << (i == 0 ? "[\n" : " , [\n") << "        lv2:symbol " << quoted(port.symbol)
                << " ;\n        pset:value " << number(port.map.toHost(programs[p].values[i])) << "\n    ]";
        }
        out << " .\n\n";
    }
    return out.str();
}

// The programs of the factory bank that hold a sound: slots still named "Init" are left out.
void readFactoryPrograms(const std::string& bankPath, std::vector<FactoryProgram>& programs,
                         std::vector<size_t>& slots)
{
    if (bankPath.empty()) return;
    auto shell = std::make_unique<OrvaneVST>(nullptr);
    if (!shell->loadBankFile(bankPath.c_str())) {
        std::fprintf(stderr, "orvane-lv2-ttl: cannot read the bank \"%s\"; no presets\n", bankPath.c_str());
        return;
    }
    for (int slot = 0; slot < 64; ++slot) {
        char name[kVstTextSize] = {};
        shell->getProgramNameIndexed(0, slot, name);
        if (std::strcmp(name, "Init") == 0) continue;
        shell->setProgram(slot);
        FactoryProgram program;
        program.name = name;
        for (uint32_t i = 0; i < controlCount; ++i)
            program.values.push_back(shell->getParameter(static_cast<VstInt32>(i)));
        programs.push_back(std::move(program));
        slots.push_back(static_cast<size_t>(slot));
    }
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::fprintf(stderr, "orvane-lv2-ttl: cannot write \"%s\"\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Writes the LV2 metadata of Orvane from the engine's tables"};
    std::string outDir, binary = "orvane.so", uiBinary, bank;
    app.add_option("--out", outDir, "bundle folder")->required();
    app.add_option("--binary", binary, "file name of the plug-in module");
    app.add_option("--ui-binary", uiBinary, "file name of the user interface module (none when empty)");
    app.add_option("--bank", bank, "factory bank whose programs become presets");
    CLI11_PARSE(app, argc, argv);

    std::vector<FactoryProgram> programs;
    std::vector<size_t> slots;
    readFactoryPrograms(bank, programs, slots);

    const bool ok = writeFile(outDir + "/manifest.ttl", manifest(binary, uiBinary, programs, slots)) &&
                    writeFile(outDir + "/orvane.ttl", pluginDescription(!uiBinary.empty())) &&
                    writeFile(outDir + "/presets.ttl", presets(programs, slots));
    return ok ? 0 : 1;
}
