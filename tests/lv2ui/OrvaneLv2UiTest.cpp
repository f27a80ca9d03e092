// The plug-in's user interface in a host of our own on an X server (the test command runs this
// binary under xvfb-run): the editor in the host's window, port events shown without echo (and
// unusable ones ignored), a drag reaching the host and the plug-in, and user interfaces that come
// and go.
#include "UiTestHost.h"

#include "lv2/OrvaneLv2.h"
#include "lv2/OrvaneLv2Shell.h"

#include <memory>

namespace
{

using uitest::HostCall;
using uitest::UiTestHost;

class Lv2Ui : public testing::Test
{
  protected:
    void SetUp() override
    {
        display = uitest::openDisplay();
        if (!display)
            GTEST_SKIP() << "no X server could be reached ($DISPLAY unset or refused); the test command "
                            "starts one with xvfb-run where it is installed";
        ASSERT_NE(uitest::UiModule::get().descriptor, nullptr);
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

TEST_F(Lv2Ui, ShowsTheEditorAndPortEventsWithoutEcho)
{
    ASSERT_TRUE(ui->open());
    // Past the editor's one start-up refresh (its tenth idle in the process), which shows the
    // engine's values: the plug-in does not run here, so its engine never takes the port values.
    ui->idleFor(11);
    const gui::RgbaImage defaults = uitest::headlessSnapshot("defaults", "");
    ASSERT_GT(defaults.width, 0) << "the headless editor tool gave no snapshot";
    EXPECT_EQ(ui->resizedWidth, defaults.width);
    EXPECT_EQ(ui->resizedHeight, defaults.height);
    EXPECT_EQ(uitest::differingPixels(ui->pixels(), defaults), 0);

    const std::string changes = "DistXcita=0.8 DistOn=1 PanDepth=0.1 PanShape=0.04";
    plugin->setNormalised(changes);
    for (const char* name : {"DistXcita", "DistOn", "PanDepth", "PanShape"})
        ui->portEvent(plugin->portIndex(name), plugin->control(name));
    // Port events the user interface cannot use change nothing: not a number, the wrong size or
    // format, an output port, no port.
    const uint32_t xcita = plugin->portIndex("DistXcita");
    const struct {
        uint32_t port, size, format;
        float value;
    } unusable[] = {{xcita, 4, 0, NAN},
                    {xcita, 2, 0, 0.5f},
                    {xcita, 4, 7, 0.5f},
                    {344, 4, 0, 0.5f},
                    {100000, 4, 0, 0.5f}};
    for (const auto& e : unusable)
        ui->portEvent(e.port, e.value, e.size, e.format);
    // The plug-in has not run since: only the port events can have shown the changes.
    ui->idleFor(5);
    const gui::RgbaImage changed = uitest::headlessSnapshot("port-events", changes);
    EXPECT_GT(uitest::differingPixels(defaults, changed), 0) << "the changes should show";
    EXPECT_EQ(uitest::differingPixels(ui->pixels(), changed), 0);
    EXPECT_TRUE(ui->calls.empty()) << "opening or a host change wrote " << ui->calls.size() << " calls";
}

// A knob dragged down: the writes lie inside the gesture, reach the plug-in's port and parameter,
// and the audio blocks meanwhile allocate nothing.
TEST_F(Lv2Ui, ADragReachesTheHostAndThePlugin)
{
    ASSERT_TRUE(ui->open());
    ui->idleFor(3);
    const auto control = uitest::skinControls().at("PanDepth");
    const uint32_t port = plugin->portIndex("PanDepth");
    const float start = plugin->controls[port];
    ui->drag(control.x1, control.y1, 0, 30);
    ui->idleFor(3);
    const std::vector<HostCall>& calls = ui->calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().kind, HostCall::Kind::touchBegin);
    EXPECT_EQ(calls.back().kind, HostCall::Kind::touchEnd);
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].port, port);
        EXPECT_EQ(calls[i].kind == HostCall::Kind::write, i > 0 && i + 1 < calls.size()) << "writes inside";
    }
    const float last = calls[calls.size() - 2].value;
    EXPECT_LT(last, start);
    plugin->run(256);
    EXPECT_EQ(plugin->controls[port], last);
    OrvaneLv2Shell& shell = static_cast<OrvaneLv2*>(plugin->handle())->shell();
    EXPECT_EQ(OrvaneLv2Ports::valueMapOf(static_cast<int>(port)).toHost(shell.getParameter(port)), last);
    EXPECT_EQ(plugin->allocationsInRun, 0);
}

// Two instances, each with its editor open: a drag in one reaches only its own host and plug-in.
TEST_F(Lv2Ui, TwoInstancesKeepTheirEditorsApart)
{
    auto otherPlugin = std::make_unique<Lv2TestHost>();
    otherPlugin->run(256);
    UiTestHost other(display, *otherPlugin, 950, 0);
    ASSERT_TRUE(ui->open());
    ASSERT_TRUE(other.open());
    ui->idleFor(3);
    other.idleFor(3);
    const auto control = uitest::skinControls().at("DistXcita");
    const uint32_t port = plugin->portIndex("DistXcita");
    OrvaneLv2Shell& shell = static_cast<OrvaneLv2*>(plugin->handle())->shell();
    OrvaneLv2Shell& otherShell = static_cast<OrvaneLv2*>(otherPlugin->handle())->shell();
    const float first = shell.getParameter(port);

    other.drag(control.x1, control.y1, 0, -40);
    ui->idleFor(3);
    otherPlugin->run(256);
    plugin->run(256);
    EXPECT_FALSE(other.calls.empty());
    EXPECT_TRUE(ui->calls.empty());
    EXPECT_NE(otherShell.getParameter(port), first);
    EXPECT_EQ(shell.getParameter(port), first);
    other.close();
}

TEST_F(Lv2Ui, OpensOnlyWithItsFeaturesOncePerInstanceAndSurvivesItsPluginGoingFirst)
{
    EXPECT_FALSE(ui->open(uitest::noParent));
    EXPECT_FALSE(ui->open(uitest::noAccess));
    for (int round = 0; round < 12; ++round) {
        ASSERT_TRUE(ui->open(round ? uitest::none : uitest::noResize | uitest::noTouch)) << "round " << round;
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

} // namespace
