#include "Render.h"

#include "engine/ParameterTable.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace render
{

namespace
{

// Display text with the unit after it, as a host shows a value.
std::string withUnit(const char* display, const char* unit)
{
    std::string s = display;
    if (unit && *unit) s += std::string(" ") + unit;
    return s;
}

} // namespace

void listParameters(bool json)
{
    Orvane engine;
    setUpEngine(engine, 48000.0f, {}, 120.0, 0.0);
    if (json)
        std::printf("[\n");
    else
        std::printf(
            "index\tname\taltName\tkind\tunit\tminimum\tmaximum\tdefault\tannounces\tautomatable\tdisplay\n");
    for (int i = 0; i < engine.parameterCount; ++i) {
        const KsParameter& p = *engine.parameter(i);
        char display[KsParameter::kTextSize];
        char unit[KsParameter::kTextSize];
        engine.getParameterDisplay(i, display);
        engine.getParameterLabel(i, unit);
        const bool automatable = i < engine.automatableCount;
        if (json) {
            std::printf("  {\"index\": %d, \"name\": %s, \"altName\": %s, \"kind\": %d, \"unit\": %s, "
                        "\"minimum\": %s, \"maximum\": %s, \"default\": %s, \"announces\": %s, "
                        "\"automatable\": %s, \"display\": %s}%s\n",
                        i, jsonString(p.name).c_str(), jsonString(p.altName).c_str(), p.kind,
                        p.hasUnit() ? jsonString(p.unitText()).c_str() : "null",
                        jsonNumber(p.minimum).c_str(), jsonNumber(p.maximum).c_str(),
                        jsonNumber(engine.getParameter(i)).c_str(), p.announces ? "true" : "false",
                        automatable ? "true" : "false", jsonString(withUnit(display, unit).c_str()).c_str(),
                        i + 1 < engine.parameterCount ? "," : "");
        } else {
            std::printf("%d\t%s\t%s\t%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", i, p.name, p.altName, p.kind,
                        p.hasUnit() ? p.unitText() : "(none)", jsonNumber(p.minimum).c_str(),
                        jsonNumber(p.maximum).c_str(), jsonNumber(engine.getParameter(i)).c_str(),
                        p.announces ? "yes" : "no", automatable ? "yes" : "no",
                        withUnit(display, unit).c_str());
        }
    }
    if (json) std::printf("]\n");
}

void showValues(const std::vector<Setting>& settings, const std::vector<std::string>& shows, bool json)
{
    Orvane engine;
    setUpEngine(engine, 48000.0f, settings, 120.0, 0.0);
    std::vector<Setting> values;
    for (const std::string& text : shows)
        values.push_back(parseSetting(engine, text, "--show"));
    if (json) std::printf("[\n");
    for (std::size_t k = 0; k < values.size(); ++k) {
        const Setting& s = values[k];
        engine.setParameter(s.index, s.value);
        char display[KsParameter::kTextSize];
        char unit[KsParameter::kTextSize];
        engine.getParameterDisplay(s.index, display);
        engine.getParameterLabel(s.index, unit);
        const char* name = engine.parameter(s.index)->name;
        if (json)
            std::printf("  {\"name\": %s, \"value\": %s, \"display\": %s, \"unit\": %s}%s\n",
                        jsonString(name).c_str(), jsonNumber(s.value).c_str(), jsonString(display).c_str(),
                        jsonString(unit).c_str(), k + 1 < values.size() ? "," : "");
        else
            std::printf("%s\t%s\t%s\n", name, display, unit);
    }
    if (json) std::printf("]\n");
}

} // namespace render
