// The port layout and value maps, and the generated metadata as liblilv reads it: symbols,
// ranges and defaults.

#include "Lv2TestHost.h"

#include "engine/ParameterTable.h"
#include "lv2/OrvaneLv2Ports.h"

#include <gtest/gtest.h>
#include <lv2/core/lv2.h>

#include <cmath>
#include <cstring>
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
    for (uint32_t i = 0; i < controlCount; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const ControlPort expected = describeControl(static_cast<int>(i));
        SCOPED_TRACE(expected.name);
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), expected.symbol.c_str());
        EXPECT_EQ(minimum[i], expected.map.lower);
        EXPECT_EQ(maximum[i], expected.map.upper);
        // The default read back from the text maps onto the product default exactly.
        EXPECT_EQ(expected.map.toNormalised(defaults[i]), parameterInfo(static_cast<int>(i)).defaultValue);
    }
}

} // namespace
