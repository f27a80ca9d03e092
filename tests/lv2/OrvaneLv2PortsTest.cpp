// The port layout and value maps, and the generated metadata as liblilv reads it: symbols,
// names, ranges, defaults, scale points, units and the factory presets.

#include "Lv2TestHost.h"

#include "engine/ParameterTable.h"
#include "lv2/OrvaneLv2Ports.h"
#include "shell/OrvaneVST.h"

#include <gtest/gtest.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>

namespace
{

using namespace OrvaneLv2Ports;

// Whether two floats of the same sign lie at most n representable values apart.
bool withinUlps(float a, float b, int n)
{
    for (int i = 0; i < n && a != b; ++i)
        a = std::nextafter(a, b);
    return a == b;
}

int indexOf(const char* name)
{
    for (int i = 0; i < kParameterCount; ++i)
        if (std::strcmp(parameterInfo(i).name, name) == 0) return i;
    return -1;
}

TEST(Lv2Ports, SymbolsAreUniqueAndValid)
{
    using Names = std::vector<std::string>;
    for (const auto& [names, symbols] : {std::pair<Names, Names>{{"Chain", "Gain", "Chain", "Chain"},
                                                                 {"Chain1", "Gain", "Chain2", "Chain3"}},
                                         {{"Chain1", "Chain", "Chain"}, {"Chain1", "Chain2", "Chain3"}},
                                         {{"1st", "a b", "", "Über"}, {"_1st", "a_b", "_", "__ber"}}})
        EXPECT_EQ(makeSymbols(names), symbols);

    const std::vector<std::string> symbols = controlSymbols();
    ASSERT_EQ(symbols.size(), controlCount);
    EXPECT_EQ(std::set<std::string>(symbols.begin(), symbols.end()).size(), symbols.size());
    for (int p = 0; p < kPatternCount; ++p)
        EXPECT_EQ(symbols[chainIndex(p)], "Chain" + std::to_string(p + 1));
    for (const std::string& s : symbols) {
        ASSERT_FALSE(s.empty());
        EXPECT_FALSE(std::isdigit(static_cast<unsigned char>(s[0]))) << s;
        for (char ch : s)
            EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(ch)) || ch == '_') << s;
    }
}

TEST(Lv2Ports, ValueStylesFollowTheParameterTable)
{
    const struct {
        const char* name;
        Style style;
        float lower, upper;
        const char* unit; // suffix of the unit URI, "" for none
        size_t scalePoints;
    } cases[] = {
        {"TranceGateOn", Style::toggle, 0, 1, "", 0},
        {"MmFilterType", Style::selector, 0, 100, "", 33},
        {"PanShape", Style::selector, 0, 100, "", 10},
        {"MorphYParam", Style::selector, 0, 100, "", 23},
        {"Chain", Style::selector, 0, 100, "", 0},
        {"PanDepth", Style::percent, 0, 100, "#pc", 0},
        {"FlangerDelay", Style::physical, 0.1f, 10, "#ms", 0},
        {"FlangerFeedback", Style::physical, 0, 0.95f, "", 0},
        {"MmFilterCutoff", Style::normalised, 0, 1, "", 0},
        {"MasterVolume", Style::normalised, 0, 1, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ControlPort port = describeControl(indexOf(c.name));
        EXPECT_EQ(port.map.style, c.style);
        EXPECT_EQ(port.map.lower, c.lower);
        EXPECT_EQ(port.map.upper, c.upper);
        EXPECT_TRUE(c.unit[0] ? port.unitUri.ends_with(c.unit) : port.unitUri.empty()) << port.unitUri;
        EXPECT_EQ(port.scalePoints.size(), c.scalePoints);
        EXPECT_EQ(port.enumeration, c.scalePoints > 0);
    }

    // The filter menu in menu order, written as the type numbers; 11 is not a menu entry.
    const ControlPort type = describeControl(indexOf("MmFilterType"));
    for (const auto& [entry, value, label] : {std::tuple{0, 0.0f, "LP2 BQ"},
                                              {1, 3.0f, "LP2 Fat"},
                                              {5, 5.0f, "HP2 Fat"},
                                              {6, 33.0f, "Formant"},
                                              {11, 9.0f, "RingMod"},
                                              {32, 32.0f, "HP4 MG HQ"}}) {
        EXPECT_EQ(type.scalePoints[entry].value, value);
        EXPECT_EQ(type.scalePoints[entry].label, label);
    }
    // XY targets carry the altNames; sources and shapes their menu names.
    EXPECT_EQ(describeControl(indexOf("MorphXParam")).scalePoints[9].label, "FlangerFbck");
    EXPECT_EQ(describeControl(indexOf("CutoffModShape")).scalePoints[9].label, "Inverted Square");
    EXPECT_EQ(describeControl(indexOf("CutoffModSource")).scalePoints[1].label, "Step Sequencer");
}

TEST(Lv2Ports, PortValuesMapExactlyOntoNormalisedValues)
{
    // Defaults, and the selector and percent grids, come back unchanged through the port value;
    // any other value comes back as itself or within two floats of it (where no port value maps
    // onto it exactly, because single precision has no such port value).
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (uint32_t i = 0; i < controlCount; ++i) {
        const ValueMap map = valueMapOf(static_cast<int>(i));
        SCOPED_TRACE(parameterInfo(static_cast<int>(i)).name);
        const float d = parameterInfo(static_cast<int>(i)).defaultValue;
        ASSERT_EQ(map.toNormalised(map.toHost(d)), d);
        const bool grid = map.style == Style::selector || map.style == Style::percent;
        for (int k = 0; k <= 100; ++k) {
            const float v = k / 100.0f;
            ASSERT_TRUE(!grid || map.toHost(v) == static_cast<float>(k)) << v;
            const float back = map.toNormalised(map.toHost(v));
            ASSERT_TRUE(map.style == Style::physical ? withinUlps(back, v, 1) : back == v) << v;
        }
        for (int n = 0; n < 200; ++n) {
            const float v = unit(random);
            ASSERT_TRUE(withinUlps(map.toNormalised(map.toHost(v)), v, 2)) << v;
        }
    }
    // Out-of-range port values are limited; NaN is refused.
    const ValueMap percent = valueMapOf(indexOf("PanDepth"));
    for (const auto& [port, normalised] : {std::pair{-3.0f, 0.0f}, {1e9f, 1.0f}, {INFINITY, 1.0f}})
        EXPECT_EQ(percent.toNormalised(port), normalised) << port;
    EXPECT_LT(percent.toNormalised(NAN), 0.0f);
    EXPECT_EQ(percent.toHost(2.0f), 100.0f);
}

// What a host reads from the generated files.
TEST(Lv2Metadata, PortsAsLilvSeesThem)
{
    const LilvPlugin* plugin = Lv2TestHost::plugin();
    ASSERT_NE(plugin, nullptr);
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), portCount);
    std::vector<float> minimum(portCount), maximum(portCount), defaults(portCount);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    LilvWorld* world = Lv2TestHost::world();
    LilvNode* control = lilv_new_uri(world, LILV_URI_CONTROL_PORT);
    LilvNode* input = lilv_new_uri(world, LILV_URI_INPUT_PORT);
    LilvNode* hardRt = lilv_new_uri(world, LV2_CORE__hardRTCapable);
    for (uint32_t i = 0; i < controlCount; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const ControlPort expected = describeControl(static_cast<int>(i));
        SCOPED_TRACE(expected.name);
        ASSERT_TRUE(lilv_port_is_a(plugin, port, control) && lilv_port_is_a(plugin, port, input));
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), expected.symbol.c_str());
        LilvNode* name = lilv_port_get_name(plugin, port);
        EXPECT_STREQ(lilv_node_as_string(name), parameterInfo(static_cast<int>(i)).name);
        lilv_node_free(name);
        EXPECT_EQ(minimum[i], expected.map.lower);
        EXPECT_EQ(maximum[i], expected.map.upper);
        // The default read back from the text maps onto the product default exactly.
        EXPECT_EQ(expected.map.toNormalised(defaults[i]), parameterInfo(static_cast<int>(i)).defaultValue);
        LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
        EXPECT_EQ(points ? lilv_scale_points_size(points) : 0u, expected.scalePoints.size());
        lilv_scale_points_free(points);
    }
    EXPECT_TRUE(lilv_plugin_has_feature(plugin, hardRt));
    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    EXPECT_EQ(lilv_nodes_size(required), 0u);
    lilv_nodes_free(required);
    for (LilvNode* n : {control, input, hardRt})
        lilv_node_free(n);
}

// The factory programs are the bundle's presets, with exactly their values.
TEST(Lv2Metadata, FactoryProgramsArePresets)
{
    if (!std::filesystem::exists(ORVANE_FACTORY_BANK_FILE)) GTEST_SKIP() << "no factory bank in this build";
    OrvaneVST shell(nullptr);
    ASSERT_TRUE(shell.loadBankFile(ORVANE_FACTORY_BANK_FILE));

    LilvWorld* world = Lv2TestHost::world();
    LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    LilvNode* label = lilv_new_uri(world, LILV_NS_RDFS "label");
    LilvNode* portPredicate = lilv_new_uri(world, LV2_CORE__port);
    LilvNode* symbolPredicate = lilv_new_uri(world, LV2_CORE__symbol);
    LilvNode* valuePredicate = lilv_new_uri(world, LV2_PRESETS__value);
    LilvNodes* presets = lilv_plugin_get_related(Lv2TestHost::plugin(), presetClass);
    const std::vector<std::string> symbols = controlSymbols();

    int checked = 0;
    LILV_FOREACH(nodes, it, presets)
    {
        const LilvNode* preset = lilv_nodes_get(presets, it);
        lilv_world_load_resource(world, preset);
        const std::string uri = lilv_node_as_uri(preset);
        const int slot = std::atoi(uri.substr(uri.find("#preset") + 7).c_str()) - 1;
        ASSERT_GE(slot, 0);
        ASSERT_LT(slot, 64);
        char name[kVstTextSize] = {};
        shell.getProgramNameIndexed(0, slot, name);
        LilvNode* presetName = lilv_world_get(world, preset, label, nullptr);
        EXPECT_STREQ(lilv_node_as_string(presetName), name);
        lilv_node_free(presetName);
        shell.setProgram(slot);

        LilvNodes* ports = lilv_world_find_nodes(world, preset, portPredicate, nullptr);
        EXPECT_EQ(lilv_nodes_size(ports), controlCount);
        LILV_FOREACH(nodes, p, ports)
        {
            const LilvNode* port = lilv_nodes_get(ports, p);
            LilvNode* symbol = lilv_world_get(world, port, symbolPredicate, nullptr);
            LilvNode* value = lilv_world_get(world, port, valuePredicate, nullptr);
            const auto found = std::find(symbols.begin(), symbols.end(), lilv_node_as_string(symbol));
            ASSERT_NE(found, symbols.end());
            const int index = static_cast<int>(found - symbols.begin());
            EXPECT_EQ(valueMapOf(index).toNormalised(lilv_node_as_float(value)), shell.getParameter(index))
                << name << " " << *found;
            lilv_node_free(symbol);
            lilv_node_free(value);
        }
        lilv_nodes_free(ports);
        ++checked;
    }
    lilv_nodes_free(presets);
    EXPECT_GT(checked, 10);
    for (LilvNode* n : {presetClass, label, portPredicate, symbolPredicate, valuePredicate})
        lilv_node_free(n);
}

} // namespace
