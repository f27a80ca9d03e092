// The plug-in's user interface in a host of our own on an X server (the test command runs this
// binary under xvfb-run): the metadata, the editor in the host's window, gestures reaching the
// host and the plug-in, port events shown without echo, and user interfaces that come and go.
#include "UiTestHost.h"

#include "lv2/OrvaneLv2.h"
#include "lv2/OrvaneLv2Shell.h"

#include <memory>
#include <sstream>

namespace
{

using uitest::HostCall;
using uitest::UiModule;
using uitest::UiTestHost;

// The port value the plug-in's parameter corresponds to.
float pluginPortValue(Lv2TestHost& plugin, uint32_t port)
{
    OrvaneLv2Shell& shell = static_cast<OrvaneLv2*>(plugin.handle())->shell();
    return OrvaneLv2Ports::valueMapOf(static_cast<int>(port)).toHost(shell.getParameter(port));
}

std::vector<HostCall> writesOf(const std::vector<HostCall>& calls)
{
    std::vector<HostCall> writes;
    for (const HostCall& c : calls)
        if (c.kind == HostCall::Kind::write) writes.push_back(c);
    return writes;
}

TEST(Lv2UiMetadata, DeclaresAnX11UserInterfaceInItsOwnModule)
{
    const UiModule& ui = UiModule::get();
    EXPECT_EQ(ui.uri, "urn:tirsk-audio:orvane#ui");
    EXPECT_TRUE(ui.isX11);
    EXPECT_NE(ui.binaryPath.find("orvane_ui.so"), std::string::npos) << ui.binaryPath;
    ASSERT_NE(ui.descriptor, nullptr) << dlerror();
    EXPECT_STREQ(ui.descriptor->URI, "urn:tirsk-audio:orvane#ui");
    EXPECT_NE(ui.descriptor->extension_data(LV2_UI__idleInterface), nullptr);

    LilvWorld* world = Lv2TestHost::world();
    LilvNode* subject = lilv_new_uri(world, ui.uri.c_str());
    LilvNode* required = lilv_new_uri(world, LV2_CORE__requiredFeature);
    LilvNodes* features = lilv_world_find_nodes(world, subject, required, nullptr);
    std::vector<std::string> names;
    LILV_FOREACH(nodes, i, features)
    names.push_back(lilv_node_as_uri(lilv_nodes_get(features, i)));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{LV2_INSTANCE_ACCESS_URI, LV2_UI__parent}));
    lilv_nodes_free(features);
    lilv_node_free(required);
    lilv_node_free(subject);
}

class Lv2Ui : public testing::Test
{
  protected:
    void SetUp() override
    {
        display = uitest::openDisplay();
        if (!display)
            GTEST_SKIP() << "no X server could be reached ($DISPLAY unset or refused); the test command "
                            "starts one with xvfb-run where it is installed";
        int event, error, major, minor;
        if (!XTestQueryExtension(display, &event, &error, &major, &minor))
            GTEST_SKIP() << "the X server has no XTest extension";
        ASSERT_NE(UiModule::get().descriptor, nullptr);
        plugin = std::make_unique<Lv2TestHost>();
        ASSERT_TRUE(plugin->ok());
        plugin->run(256);
        ui = std::make_unique<UiTestHost>(display, *plugin);
    }
    void TearDown() override
    {
        ui.reset();
        plugin.reset();
        if (display) XCloseDisplay(display);
    }

    Display* display = nullptr;
    std::unique_ptr<Lv2TestHost> plugin;
    std::unique_ptr<UiTestHost> ui;
};

TEST_F(Lv2Ui, OpensInTheHostsWindowAtTheSkinsSizeShowingTheEditor)
{
    ASSERT_TRUE(ui->open());
    gui::RgbaImage background;
    ASSERT_TRUE(
        gui::readPngFile(std::string(ORVANE_LV2_BUNDLE) + "Skins/default/Background.png", background));
    EXPECT_EQ(ui->resizedWidth, background.width);
    EXPECT_EQ(ui->resizedHeight, background.height);

    Window root, parentOfWidget, *children = nullptr;
    unsigned int count = 0;
    ASSERT_TRUE(XQueryTree(display, ui->widget, &root, &parentOfWidget, &children, &count));
    if (children) XFree(children);
    EXPECT_EQ(parentOfWidget, ui->parent);

    ui->idleFor(5);
    const gui::RgbaImage shown = ui->pixels();
    const gui::RgbaImage reference = uitest::headlessSnapshot("defaults", "");
    ASSERT_EQ(shown.width, background.width);
    ASSERT_GT(reference.width, 0) << "the headless editor tool gave no snapshot";
    EXPECT_EQ(uitest::differingPixels(shown, reference), 0);
    EXPECT_TRUE(ui->calls.empty()) << "opening wrote " << ui->calls.size() << " calls";
}

TEST_F(Lv2Ui, PortEventsShowInTheEditorAndAreNotEchoed)
{
    ASSERT_TRUE(ui->open());
    // Past the editor's one start-up refresh (its tenth idle in the process), which shows the
    // engine's values: the plug-in does not run here, so its engine never takes the port values.
    ui->idleFor(11);
    const std::string changes = "DistXcita=0.8 DistOn=1 PanDepth=0.1 PanShape=0.04";
    plugin->setNormalised(changes);
    std::string settings;
    std::istringstream words(changes);
    for (std::string word; words >> word;) {
        const uint32_t port = plugin->portIndex(word.substr(0, word.find('=')).c_str());
        ui->portEvent(port, plugin->controls[port]);
        settings += " --set " + word;
    }
    // The plug-in has not run since: only the port events can have shown the changes.
    ui->idleFor(5);
    EXPECT_TRUE(ui->calls.empty()) << "a host change came back " << ui->calls.size() << " times";
    const gui::RgbaImage reference = uitest::headlessSnapshot("port-events", settings);
    ASSERT_GT(reference.width, 0) << "the headless editor tool gave no snapshot";
    const gui::RgbaImage before = uitest::headlessSnapshot("defaults", "");
    const long changedByEvents = uitest::differingPixels(before, reference);
    EXPECT_GT(changedByEvents, 0) << "the changes should show";
    EXPECT_EQ(uitest::differingPixels(ui->pixels(), reference), 0);
}

TEST_F(Lv2Ui, ClicksAndDragsReachTheHostsPortsAndThePlugin)
{
    ASSERT_TRUE(ui->open());
    ui->idleFor(3);
    const auto controls = uitest::skinControls();
    const struct {
        const char* name;
        int dx, dy;
        int direction; // +1: the value rises, -1: it falls
    } gestures[] = {
        {"DistOn", 0, 0, +1},      // a switch: a click turns it on
        {"DistXcita", 0, -40, +1}, // a knob dragged up
        {"PanDepth", 0, 30, -1},   // a knob dragged down
        {"DistOn", 0, 0, -1},      // the switch again: off
    };
    for (const auto& g : gestures) {
        SCOPED_TRACE(g.name);
        ASSERT_TRUE(controls.count(g.name));
        const uint32_t port = plugin->portIndex(g.name);
        const float start = plugin->controls[port];
        ui->calls.clear();
        ui->drag(controls.at(g.name).x1, controls.at(g.name).y1, g.dx, g.dy);
        ui->idleFor(3);
        const std::vector<HostCall>& calls = ui->calls;
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls.front().kind, HostCall::Kind::touchBegin);
        EXPECT_EQ(calls.back().kind, HostCall::Kind::touchEnd);
        const std::vector<HostCall> writes = writesOf(calls);
        ASSERT_FALSE(writes.empty());
        for (const HostCall& c : calls)
            EXPECT_EQ(c.port, port);
        EXPECT_EQ(writes.size() + 2, calls.size()) << "writes lie inside the gesture";
        const float last = writes.back().value;
        EXPECT_GT((last - start) * static_cast<float>(g.direction), 0.0f) << start << " -> " << last;
        plugin->run(256);
        EXPECT_EQ(plugin->controls[port], last);
        EXPECT_EQ(pluginPortValue(*plugin, port), last);
    }
}

TEST_F(Lv2Ui, AProgramChangeOutsideTheEditorWritesThePortsThatDiffer)
{
    ASSERT_TRUE(ui->open());
    ui->idleFor(3);
    for (uint8_t program : {5, 9}) {
        SCOPED_TRACE(program);
        const std::vector<float> before(plugin->controls.begin(), plugin->controls.begin() + 344);
        ui->calls.clear();
        plugin->midi(0, 0xC0, program, 0);
        plugin->run(256);
        ui->idleFor(2);
        const std::vector<HostCall> writes = writesOf(ui->calls);
        EXPECT_FALSE(writes.empty());
        EXPECT_EQ(writes.size(), ui->calls.size());
        for (const HostCall& w : writes)
            EXPECT_NE(before[w.port], w.value) << "port " << w.port << " was written unchanged";
        for (uint32_t port = 0; port < 344; ++port)
            ASSERT_EQ(plugin->controls[port], pluginPortValue(*plugin, port)) << "port " << port;
    }
}

TEST_F(Lv2Ui, IgnoresPortEventsItCannotUse)
{
    ASSERT_TRUE(ui->open());
    const uint32_t xcita = plugin->portIndex("DistXcita");
    const struct {
        uint32_t port, size, format;
        float value;
    } events[] = {{xcita, 4, 0, NAN}, {xcita, 4, 0, INFINITY}, {xcita, 2, 0, 0.5f}, {xcita, 4, 7, 0.5f},
                  {344, 4, 0, 0.5f},  {349, 4, 0, 0.5f},       {100000, 4, 0, 0.5f}};
    const gui::RgbaImage before = (ui->idleFor(3), ui->pixels());
    for (const auto& b : events)
        ui->portEvent(b.port, b.value, b.size, b.format);
    ui->idleFor(3);
    EXPECT_TRUE(ui->calls.empty());
    EXPECT_EQ(uitest::differingPixels(before, ui->pixels()), 0);
}

TEST_F(Lv2Ui, OpensOnlyWithItsFeaturesOncePerInstanceAndSurvivesItsPluginGoingFirst)
{
    uitest::Features noParent, noAccess, bare;
    noParent.parent = false;
    noAccess.instanceAccess = false;
    bare.resize = bare.touch = false;
    EXPECT_FALSE(ui->open(noParent));
    EXPECT_FALSE(ui->open(noAccess));
    for (int round = 0; round < 12; ++round) {
        ASSERT_TRUE(ui->open(round ? uitest::Features{} : bare)) << "round " << round;
        UiTestHost second(display, *plugin);
        EXPECT_FALSE(second.open()) << "a second user interface would take the first one's editor";
        ui->idleFor(2);
        plugin->run(256);
        ui->close();
    }
    ASSERT_TRUE(ui->open());
    ui->idleFor(2);
    // The host frees the plug-in while its user interface is open.
    plugin.reset();
    EXPECT_EQ(ui->idle(), 1) << "the user interface reports itself closed";
    ui->portEvent(0, 1.0f);
    ui->close();
}

TEST_F(Lv2Ui, TwoInstancesKeepTheirEditorsApart)
{
    auto otherPlugin = std::make_unique<Lv2TestHost>();
    otherPlugin->run(256);
    UiTestHost other(display, *otherPlugin, 950, 0);
    ASSERT_TRUE(ui->open());
    ASSERT_TRUE(other.open());
    ui->idleFor(3);
    other.idleFor(3);
    const uint32_t port = plugin->portIndex("DistXcita");
    const float first = pluginPortValue(*plugin, port);
    const auto control = uitest::skinControls().at("DistXcita");

    other.drag(control.x1, control.y1, 0, -40);
    ui->idleFor(3);
    otherPlugin->run(256);
    plugin->run(256);
    EXPECT_FALSE(writesOf(other.calls).empty());
    EXPECT_TRUE(ui->calls.empty());
    EXPECT_NE(pluginPortValue(*otherPlugin, port), first);
    EXPECT_EQ(pluginPortValue(*plugin, port), first);
    other.close();
}

TEST_F(Lv2Ui, AudioBlocksAllocateNothingWhileTheEditorIsOpen)
{
    ASSERT_TRUE(ui->open());
    const auto control = uitest::skinControls().at("DistXcita");
    plugin->allocationsInRun = 0;
    for (int block = 0; block < 20; ++block) {
        ui->idle();
        plugin->run(256);
    }
    ui->drag(control.x1, control.y1, 0, -20);
    for (int block = 0; block < 20; ++block) {
        ui->idle();
        plugin->run(256);
    }
    EXPECT_EQ(plugin->allocationsInRun, 0);
}

} // namespace
