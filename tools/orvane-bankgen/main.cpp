// orvane-bankgen: builds a bank file (fxb) from its readable source.
//
//   orvane-bankgen SOURCE.txt OUTPUT.fxb
//
// The source lists programs in slot order. "[Name]" starts a program; "Parameter = value" lines
// set normalised values over the product defaults; "SeqpSteps = v1 .. v16" and
// "SeqpTies = t1 .. t16" set the step volumes and ties of pattern p (1..8); '#' starts a
// comment. Slots after the last listed program keep the defaults and the name "Init".
// Any unknown name, value outside 0..1, malformed line or more than 64 programs is an error,
// so that a mistake in the source stops the build instead of shipping a wrong bank.
#include "engine/KsProgram.h"
#include "engine/ParameterTable.h"
#include "platform/os/OsFiles.h"
#include "shell/ProgramFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

int parameterByName(const std::string& name)
{
    for (int i = 0; i < kAutomatableCount; ++i)
        if (name == parameterInfo(i).name) return i;
    return -1;
}

bool parseValue(const std::string& text, float& value)
{
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || trim(end).size() > 0 || !std::isfinite(parsed) || parsed < 0.0 || parsed > 1.0)
        return false;
    value = static_cast<float>(parsed);
    return true;
}

// "Seq3Steps" / "Seq3Ties": pattern 0..7 and whether it is the ties row; false for other names.
bool patternRow(const std::string& name, int& pattern, bool& ties)
{
    int p = 0;
    char rest[16] = {};
    if (std::sscanf(name.c_str(), "Seq%d%15s", &p, rest) != 2 || p < 1 || p > kPatternCount) return false;
    const std::string kind = rest;
    if (kind != "Steps" && kind != "Ties") return false;
    pattern = p - 1;
    ties = kind == "Ties";
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: orvane-bankgen SOURCE.txt OUTPUT.fxb\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "orvane-bankgen: cannot read %s\n", argv[1]);
        return 1;
    }

    std::vector<std::unique_ptr<OrvaneProgram>> programs;
    for (int i = 0; i < ProgramFile::kBankSlots; ++i)
        programs.push_back(std::make_unique<OrvaneProgram>());
    int used = 0;
    OrvaneProgram* current = nullptr;
    std::string line;
    int lineNumber = 0;
    auto fail = [&](const char* what) {
        std::fprintf(stderr, "%s:%d: %s: %s\n", argv[1], lineNumber, what, line.c_str());
        return 1;
    };

    while (std::getline(in, line)) {
        ++lineNumber;
        std::string text = trim(line.substr(0, line.find('#')));
        if (text.empty()) continue;
        if (text.front() == '[') {
            if (text.back() != ']' || text.size() < 3) return fail("malformed program name");
            if (used == ProgramFile::kBankSlots) return fail("more than 64 programs");
            current = programs[static_cast<std::size_t>(used++)].get();
            const std::string name = text.substr(1, text.size() - 2);
            if (name.size() >= KsProgram::kNameSize) return fail("program name too long");
            current->setName(name.c_str());
            continue;
        }
        const auto equals = text.find('=');
        if (!current || equals == std::string::npos) return fail("expected [Name] or Parameter = value");
        const std::string key = trim(text.substr(0, equals));
        const std::string valueText = trim(text.substr(equals + 1));

        int pattern = 0;
        bool ties = false;
        if (patternRow(key, pattern, ties)) {
            std::istringstream values(valueText);
            std::string word;
            int step = 0;
            while (values >> word) {
                float value = 0.0f;
                if (step == kStepCount || !parseValue(word, value)) return fail("expected 16 values in 0..1");
                const int index = ties ? stepTieIndex(pattern, step) : stepVolumeIndex(pattern, step);
                current->values[index] = value;
                ++step;
            }
            if (step != kStepCount) return fail("expected 16 values in 0..1");
            continue;
        }
        const int index = parameterByName(key);
        float value = 0.0f;
        if (index < 0) return fail("unknown parameter");
        if (!parseValue(valueText, value)) return fail("value must lie in 0..1");
        current->values[index] = value;
    }

    std::vector<KsProgram*> slots;
    for (auto& program : programs)
        slots.push_back(program.get());
    std::vector<std::uint8_t> bytes;
    if (!ProgramFile::buildBank(slots.data(), static_cast<int>(slots.size()), OrvaneProgram::kId, bytes) ||
        !os::writeFileAtomically(argv[2], bytes.data(), bytes.size())) {
        std::fprintf(stderr, "orvane-bankgen: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("orvane-bankgen: %d programs written to %s\n", used, argv[2]);
    return 0;
}
