// The AAX adapter: in process (entry points, instance and GUI objects driven through the host side
// of the AAX stand-in), and the built module in the simulator orvane-aax-host where only it shows
// the behaviour (mono stems, rendering at the host's rate).
#include "aax/AAX_CEffectGUI_VST.h"
#include "aax/Ks_AAX_Parameters.h"
#include "editor/OrvaneEditor.h"
#include "platform/aax/AAX_Interfaces.h"
#include "platform/aax/host/AAXHost.h"
#include "platform/gui/HeadlessBackend.h"

#include "../tools/RenderToolSupport.h"

#include <memory>

extern "C" {
AAX_Result ACFRegisterPlugin(void* host, const AAX_IPluginDefinition** definition);
AAX_Result ACFRegisterComponent(void* host, uint32_t index, const AAX_IEffectDefinition** effect);
AAX_Result ACFGetClassFactory(void* host, AAX_CTypeID pluginID, AAX_IClassFactory** factory);
AAX_Result ACFCanUnloadNow(void* host);
AAX_Result ACFStartup(void* host);
AAX_Result ACFShutdown(void* host);
AAX_Result ACFGetSDKVersion(uint64_t* version);
}

namespace
{

constexpr int kFrames = 512;

// An instance in process, with a buffer of a stereo sine.
struct Rig {
    Rig() : controller(48000.0, AAX_eStemFormat_Stereo, AAX_eStemFormat_Stereo)
    {
        effect.reset(static_cast<Ks_AAX_Parameters*>(Ks_AAX_Parameters::Create()));
        controller.setEffect(effect.get());
        EXPECT_EQ(effect->Initialize(&controller), AAX_SUCCESS);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kFrames; ++i)
                in[c][i] = static_cast<float>(0.4 * std::sin(0.01 * (c + 1) * i));
    }
    void render(int32_t frames = kFrames)
    {
        float* inputs[2] = {in[0], in[1]};
        float* outputs[2] = {out[0], out[1]};
        const AAX_SRenderContext context{inputs, outputs, &frames, &midi, &globalMidi, &transport};
        ASSERT_EQ(effect->RenderAudio(context), AAX_SUCCESS);
    }
    KsPlugin& engine() { return *effect->plugin().getEngine(); }
    double value(const char* id) { return effect->GetParameterByID(id)->GetNormalizedValue(); }

    AAXController controller;
    AAXTransport transport;
    AAXMidiNode midi, globalMidi;
    std::unique_ptr<Ks_AAX_Parameters> effect;
    float in[2][kFrames] = {}, out[2][kFrames] = {};
};

AAX_CMidiPacket packet(uint32_t timestamp, uint8_t status, uint8_t data1, uint8_t data2)
{
    AAX_CMidiPacket p;
    p.mTimestamp = timestamp;
    p.mLength = 3;
    p.mData[0] = status;
    p.mData[1] = data1;
    p.mData[2] = data2;
    return p;
}

// The simulator on the built module.
RunResult host(const std::string& args)
{
    return runCommand(std::string(ORVANE_AAX_HOST) + " " + ORVANE_AAX_MODULE + " " + args);
}

// A chord of sines with a little noise and a decaying burst: enough to excite every section.
std::string testInput(const std::string& name, int rate, int channels, double seconds)
{
    const long frames = static_cast<long>(seconds * rate);
    std::vector<float> data(static_cast<size_t>(frames * channels));
    unsigned seed = 12345;
    for (long i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        seed = seed * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.05;
        for (int c = 0; c < channels; ++c)
            data[static_cast<size_t>(i * channels + c)] = static_cast<float>(
                0.3 * std::sin(2 * M_PI * (220.0 + 110.0 * c) * t) + 0.2 * std::sin(2 * M_PI * 277.2 * t) +
                noise + 0.4 * std::exp(-20.0 * std::fmod(t, 0.5)) * std::sin(2 * M_PI * 80.0 * t));
    }
    writeWav(workDir() / name, channels, rate, data, true);
    return quoted(workDir() / name);
}

// A file of the test's work folder, quoted for the command line.
std::string scratch(const std::string& name)
{
    return quoted(workDir() / name);
}

} // namespace

TEST(AaxModule, EntryPointsFollowTheModuleLifecycle)
{
    const AAX_IPluginDefinition* definition = nullptr;
    const AAX_IEffectDefinition* effect = nullptr;
    AAX_IClassFactory* made = nullptr;
    uint64_t version = 0;
    EXPECT_EQ(ACFGetSDKVersion(&version), AAX_SUCCESS);
    EXPECT_EQ(version, 0x2000061125CULL);
    EXPECT_EQ(ACFGetSDKVersion(nullptr), AAX_ERROR_NULL_OBJECT);

    // Nothing is described before start-up.
    EXPECT_EQ(ACFRegisterPlugin(nullptr, &definition), AAX_ERROR_NOT_INITIALIZED);
    ASSERT_EQ(ACFStartup(nullptr), AAX_SUCCESS);
    ASSERT_EQ(ACFRegisterPlugin(nullptr, &definition), AAX_SUCCESS);
    ASSERT_EQ(definition->EffectCount(), 1);
    EXPECT_EQ(ACFRegisterComponent(nullptr, 0, &effect), AAX_SUCCESS);
    EXPECT_EQ(effect, definition->Effect(0));
    EXPECT_EQ(ACFRegisterComponent(nullptr, 1, &effect), AAX_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(effect, nullptr);
    EXPECT_EQ(ACFGetClassFactory(nullptr, AAX_FourCC("KsOr"), &made), AAX_ERROR_UNKNOWN_PLUGIN);
    EXPECT_EQ(made, nullptr);

    // An instance and a GUI object keep the module loaded until the host deletes them.
    const char plugins[][5] = {"KsRS", "KsRM"};
    for (const auto& plugin : plugins) {
        ASSERT_EQ(ACFGetClassFactory(nullptr, AAX_FourCC(plugin), &made), AAX_SUCCESS);
        std::unique_ptr<AAX_IClassFactory> factory(made);
        std::unique_ptr<AAX_IEffectParameters> instance(factory->CreateEffectParameters());
        ASSERT_NE(dynamic_cast<Ks_AAX_Parameters*>(instance.get()), nullptr);
        std::unique_ptr<AAX_IEffectGUI> gui(factory->CreateEffectGUI());
        ASSERT_NE(gui, nullptr);
        EXPECT_EQ(ACFCanUnloadNow(nullptr), AAX_RESULT_FALSE);
        gui.reset();
        EXPECT_EQ(ACFCanUnloadNow(nullptr), AAX_RESULT_FALSE);
        instance.reset();
        EXPECT_EQ(ACFCanUnloadNow(nullptr), AAX_SUCCESS);
    }
    EXPECT_EQ(ACFShutdown(nullptr), AAX_SUCCESS);
    EXPECT_EQ(ACFRegisterPlugin(nullptr, &definition), AAX_ERROR_NOT_INITIALIZED);
    KsPluginVST::setEditorFactory(nullptr);
}

TEST(KsAaxParameters, BypassedRenderDeliversEveryPacketInOrderAndLeavesTheEngineIdle)
{
    Rig rig;
    const auto parameters = [&] {
        std::vector<float> values;
        for (int i = 0; i < rig.engine().parameterCount; ++i)
            values.push_back(rig.effect->plugin().getParameter(i));
        return values;
    };
    const std::vector<float> before = parameters();
    rig.effect->UpdateParameterNormalizedValue(AAX_cMasterBypassID, 1.0);
    EXPECT_EQ(parameters(), before) << "Master Bypass is the AAX parameter only";
    // Timestamps as the host gives them; one past the buffer is taken as its last frame.
    const struct {
        AAX_CMidiPacket packet;
        int delta;
    } packets[] = {{packet(5, 0x90, 60, 100), 5},
                   {packet(100, 0xB0, 7, 64), 100},
                   {packet(100, 0x80, 60, 0), 100},
                   {packet(9000, 0x90, 61, 1), kFrames - 1}};
    for (const auto& p : packets)
        rig.midi.packets.push_back(p.packet);
    rig.render();
    KsPlugin& engine = rig.engine();
    // The engine did not run: the events wait in its queue, and the output is the input.
    ASSERT_EQ(engine.eventCount.load(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(engine.eventDeltas[i], packets[i].delta);
        EXPECT_EQ(engine.eventStatus[i], packets[i].packet.mData[0]);
        EXPECT_EQ(engine.eventData1[i], packets[i].packet.mData[1]);
        EXPECT_EQ(engine.eventData2[i], packets[i].packet.mData[2]);
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kFrames; ++i)
            ASSERT_EQ(rig.out[c][i], rig.in[c][i]);
    // Bypass off: the next buffer runs the engine, which takes the queued events.
    rig.effect->UpdateParameterNormalizedValue(AAX_cMasterBypassID, 0.0);
    rig.midi.packets.clear();
    rig.render();
    EXPECT_EQ(engine.eventCount.load(), 0);
}

TEST(KsAaxParameters, TimeInformationFollowsTheTransport)
{
    Rig rig;
    const struct {
        bool playing;
        double quarters, tempo, expectPosition, expectTempo;
        int expectFlags;
    } steps[] = {
        {false, 5.0, 90.0, 0.0, 120.0, 0}, // stopped from the start
        {true, 2.5, 100.0, 2.5, 100.0, kVstTransportPlaying},
        {false, 7.0, 140.0, 2.5, 100.0, 0}, // stopped again: the last values stay
        {true, 0.25, 60.0, 0.25, 60.0, kVstTransportPlaying},
    };
    for (const auto& s : steps) {
        rig.transport.playing = s.playing;
        rig.transport.ticks = static_cast<int64_t>(s.quarters * AAX_cTicksPerQuarter);
        rig.transport.tempo = s.tempo;
        rig.render();
        const VstTimeInfo* time = rig.effect->plugin().getTimeInfo(0);
        ASSERT_NE(time, nullptr);
        EXPECT_EQ(time->ppqPos, s.expectPosition);
        EXPECT_EQ(time->tempo, s.expectTempo);
        EXPECT_EQ(time->flags, s.expectFlags);
    }
}

TEST(KsAaxParameters, UpdatesAndAutomatedWritesReachTheirOwnParameter)
{
    Rig rig;
    KsPluginVST& vst = rig.effect->plugin();
    // The eight "Chain" parameters are reached one by one.
    for (int p = 0; p < 8; ++p) {
        const std::string id = "Chain" + std::to_string(p + 1);
        const int index = rig.engine().parameterIndex("Chain") + 33 * p;
        ASSERT_EQ(rig.effect->indexOf(id.c_str()), index);
        ASSERT_EQ(rig.effect->UpdateParameterNormalizedValue(id.c_str(), 0.01 * (p + 1)), AAX_SUCCESS);
        EXPECT_NEAR(vst.getParameter(index), 0.01 * (p + 1), 1e-6) << id;
    }
    EXPECT_EQ(rig.effect->UpdateParameterNormalizedValue("Chain", 0.5), AAX_ERROR_INVALID_PARAMETER_ID);
    // A second initialisation keeps the parameters and their values.
    ASSERT_EQ(rig.effect->Initialize(&rig.controller), AAX_SUCCESS);
    EXPECT_EQ(rig.effect->GetNumberOfParameters(), 367);
    // Only the stored parameters (plug-in index below 344) can be automated.
    int checked = 0;
    for (int32_t i = 0; i < rig.effect->GetNumberOfParameters(); ++i) {
        const AAX_IParameter* parameter = rig.effect->GetParameter(i);
        const int index = rig.effect->indexOf(parameter->Identifier());
        if (index < 0) continue;
        EXPECT_EQ(parameter->IsAutomatable(), index < 344) << parameter->Identifier();
        ++checked;
    }
    EXPECT_EQ(checked, 366);
    EXPECT_NEAR(rig.value("Chain8"), 0.08, 1e-9);
    rig.effect->UpdateParameterNormalizedValue(AAX_cMasterBypassID, 1.0);
    rig.render();
    EXPECT_EQ(rig.out[0][7], rig.in[0][7]) << "Master Bypass still works";
    rig.effect->UpdateParameterNormalizedValue(AAX_cMasterBypassID, 0.0);
    EXPECT_EQ(rig.effect->UpdateParameterNormalizedValue("NoSuchId", 0.5), AAX_ERROR_INVALID_PARAMETER_ID);
    // A value out of range or not a number never reaches the plug-in as such.
    const int xcita = rig.engine().parameterIndex("DistXcita");
    for (const double v : {7.0, std::nan("")}) {
        rig.effect->UpdateParameterNormalizedValue("DistXcita", v);
        EXPECT_EQ(vst.getParameter(xcita), 1.0f);
    }
    // The plug-in's own automated write tells the host and sets the parameter.
    const int chain6 = rig.effect->indexOf("Chain6");
    vst.setParameterAutomated(chain6, 0.04f);
    EXPECT_EQ(rig.controller.plugInWrites, 1);
    EXPECT_NEAR(rig.controller.lastPlugInValue, 0.04, 1e-6);
    EXPECT_NEAR(rig.value("Chain6"), 0.04, 1e-6);
    EXPECT_NEAR(vst.getParameter(chain6), 0.04, 1e-6);
}

TEST(KsAaxParameters, HostileChunksAreRefusedAndChangeNothing)
{
    Rig rig;
    std::vector<std::pair<std::string, double>> chunkValues = {{"DistXcita", 0.3}, {"MmFilterType", 0.07}};
    for (int p = 1; p <= 8; ++p)
        chunkValues.emplace_back("Chain" + std::to_string(p), 0.01 * p);
    for (const auto& [id, value] : chunkValues)
        rig.effect->UpdateParameterNormalizedValue(id.c_str(), value);
    uint32_t size = 0, written = 0;
    ASSERT_EQ(rig.effect->GetChunkSize(AAX_cParameterChunkID, &size), AAX_SUCCESS);
    std::vector<uint8_t> good(size);
    ASSERT_EQ(rig.effect->GetChunk(AAX_cParameterChunkID, good.data(), size, &written), AAX_SUCCESS);
    ASSERT_EQ(written, size);
    rig.effect->UpdateParameterNormalizedValue("DistXcita", 0.8);

    const auto variant = [&](auto change) {
        std::vector<uint8_t> bytes = good;
        change(bytes);
        return bytes;
    };
    const double big = 1.5;
    // The first entry is Master Bypass: length at 12, identifier at 14, value at 28.
    const std::vector<std::vector<uint8_t>> hostile = {
        {},
        variant([](auto& b) { b.pop_back(); }),
        variant([](auto& b) { b.push_back(0); }),
        variant([](auto& b) { b[0] = 'X'; }),
        variant([](auto& b) { b[12] = 0xFF, b[13] = 0xFF; }),
        variant([](auto& b) { std::fill(b.begin() + 28, b.begin() + 36, 0xFF); }), // NaN
        variant([&](auto& b) { std::memcpy(b.data() + 28, &big, 8); }),
    };
    for (size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_EQ(rig.effect->SetChunk(AAX_cParameterChunkID, hostile[i].data(),
                                       static_cast<uint32_t>(hostile[i].size())),
                  AAX_ERROR_MALFORMED_CHUNK)
            << i;
        EXPECT_NEAR(rig.value("DistXcita"), 0.8, 1e-9) << i;
    }
    EXPECT_EQ(rig.effect->SetChunk(AAX_FourCC("othr"), good.data(), size), AAX_ERROR_INVALID_CHUNK_ID);
    // The good chunk restores every parameter, in another instance too.
    Rig other;
    for (Rig* r : {&rig, &other}) {
        ASSERT_EQ(r->effect->SetChunk(AAX_cParameterChunkID, good.data(), size), AAX_SUCCESS);
        for (const auto& [id, value] : chunkValues)
            EXPECT_NEAR(r->effect->plugin().getParameter(r->effect->indexOf(id.c_str())), value, 1e-6) << id;
    }
}

TEST(KsAaxParameters, CustomDataHandsOutTheEditorOnly)
{
    Rig rig;
    const struct {
        AAX_CTypeID block;
        uint32_t size, expectWritten;
    } cases[] = {{Ks_AAX_Parameters::kEditorBlockID, 8, 8},
                 {Ks_AAX_Parameters::kEditorBlockID, 4, 0},
                 {AAX_FourCC("abcd"), 8, 0}};
    for (const auto& c : cases) {
        AEffEditor* editor = reinterpret_cast<AEffEditor*>(0x1);
        uint32_t written = 99;
        EXPECT_EQ(rig.effect->GetCustomData(c.block, c.size, &editor, &written), AAX_SUCCESS);
        EXPECT_EQ(written, c.expectWritten);
        if (c.expectWritten) {
            EXPECT_EQ(editor, rig.effect->plugin().getEditor());
        }
    }
}

TEST(KsAaxGui, OpensTheEditorInANativeHeadlessWindowOnly)
{
    OrvaneEditor::useForShells();
    Rig rig;
    ASSERT_NE(rig.effect->plugin().getEditor(), nullptr);
    std::unique_ptr<AAX_IEffectGUI> gui(AAX_CEffectGUI_VST::Create());
    ASSERT_EQ(gui->Initialize(&rig.controller), AAX_SUCCESS);

    gui::HeadlessParent parent;
    // A container that is not a native window is ignored: no view, no size.
    AAXViewContainer embedded(AAX_eViewContainer_Type_Embedded, &parent, AAX_eWindowSystem_Headless);
    gui->SetViewContainer(&embedded);
    AAX_Point size{-1.0f, -1.0f};
    EXPECT_EQ(gui->GetViewSize(&size), AAX_SUCCESS);
    EXPECT_EQ(size.horz, -1.0f);
    EXPECT_EQ(parent.frame, nullptr);

    AAXViewContainer native(AAX_eViewContainer_Type_Native, &parent, AAX_eWindowSystem_Headless);
    gui->SetViewContainer(&native);
    ASSERT_NE(parent.frame, nullptr);
    gui->GetViewSize(&size);
    ERect* rect = nullptr;
    rig.effect->plugin().getEditor()->getRect(&rect);
    EXPECT_EQ(size.horz, rect->right - rect->left);
    EXPECT_EQ(size.vert, rect->bottom - rect->top);

    // Rectangles a host might send, sensible or not, are drawn or passed over without harm.
    const int before = parent.presentCount;
    for (AAX_Rect r : {AAX_Rect{10.0f, 20.0f, 100.5f, 50.9f}, AAX_Rect{std::nanf(""), 0.0f, 10.0f, 10.0f},
                       AAX_Rect{-50.0f, -50.0f, 1e30f, 1e30f}, AAX_Rect{5000.0f, 5000.0f, 10.0f, 10.0f}})
        EXPECT_EQ(gui->Draw(&r), AAX_SUCCESS);
    EXPECT_EQ(parent.presentCount, before + 3);
    EXPECT_EQ(parent.lastPresented, CRect(0, 0, rect->right, rect->bottom));
    for (const char* id : {"Chain3", "NoSuchId"})
        EXPECT_EQ(gui->ParameterUpdated(id), AAX_SUCCESS);
    EXPECT_EQ(gui->TimerWakeup(), AAX_SUCCESS);

    gui->SetViewContainer(nullptr);
    EXPECT_EQ(parent.frame, nullptr);
    EXPECT_FALSE(rig.effect->plugin().getEditor()->isOpen());
    gui.reset();
    KsPluginVST::setEditorFactory(nullptr);
}

TEST(AaxHost, MonoStemRunsTheSingleBufferOnBothSides)
{
    // A mono instance hands the plug-in its one buffer as both inputs and both outputs, so the
    // plug-in writes its right output last: the mono result is the right channel of a stereo
    // instance given that signal on both sides.
    const std::string in = testInput("in.wav", 48000, 1, 0.5),
                      sets = " --set DelayOn=1 --set PanOn=1 --set PanDepth=1";
    ASSERT_EQ(host("render " + in + " " + scratch("mono.wav") + " --stem mono" + sets).status, 0);
    ASSERT_EQ(host("render " + in + " " + scratch("stereo.wav") + sets).status, 0);
    const Wav m = readWav(workDir() / "mono.wav"), s = readWav(workDir() / "stereo.wav");
    ASSERT_EQ(m.channels, 1);
    ASSERT_EQ(m.frames(), s.frames());
    double leftDiffers = 0.0;
    for (size_t i = 0; i < m.frames(); ++i) {
        ASSERT_EQ(m.samples[i], s.samples[2 * i + 1]) << "frame " << i;
        leftDiffers = std::max(leftDiffers, std::fabs(double(s.samples[2 * i]) - s.samples[2 * i + 1]));
    }
    EXPECT_GT(leftDiffers, 1e-3)
        << "the two sides of the stereo render must differ for the test to tell them apart";
}

TEST(AaxHost, RenderAtTheHostRateSoundsLikeTheEngineAtThatRate)
{
    const std::string sets = " --set DelayOn=1 --set ReverbOn=1 --set FlangerOn=1 ";
    for (int rate : {48000, 96000}) {
        const std::string in = testInput("in.wav", rate, 2, 1.0);
        ASSERT_EQ(host("render " + in + " " + scratch("aax.wav") + sets).status, 0);
        const RunResult r = run("--quiet --program 0" + sets + in + " " + scratch("ref.wav"));
        ASSERT_EQ(r.status, 0) << r.err;
        const Wav x = readWav(workDir() / "aax.wav"), y = readWav(workDir() / "ref.wav");
        ASSERT_EQ(x.rate, rate);
        ASSERT_EQ(x.samples.size(), y.samples.size());
        // Set-up glides may differ during the first 100 ms.
        double worst = 0.0;
        for (size_t i = static_cast<size_t>(rate / 10) * 2; i < x.samples.size(); ++i)
            worst = std::max(worst, std::fabs(double(x.samples[i]) - y.samples[i]));
        EXPECT_LE(worst, 1e-6) << rate;
    }
}
