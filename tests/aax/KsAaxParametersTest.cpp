// The adapter's instance and GUI objects in process, driven through the host side of the
// AAX stand-in.
#include "aax/AAX_CEffectGUI_VST.h"
#include "aax/Ks_AAX_Parameters.h"
#include "editor/OrvaneEditor.h"
#include "platform/aax/host/AAXHost.h"
#include "platform/gui/HeadlessBackend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>

namespace
{

constexpr int kFrames = 512;

struct Rig {
    explicit Rig(double rate = 48000.0, AAX_EStemFormat stem = AAX_eStemFormat_Stereo)
        : controller(rate, stem, stem)
    {
        effect.reset(static_cast<Ks_AAX_Parameters*>(Ks_AAX_Parameters::Create()));
        controller.setEffect(effect.get());
        EXPECT_EQ(effect->Initialize(&controller), AAX_SUCCESS);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kFrames; ++i)
                in[c][i] = static_cast<float>(0.4 * std::sin(0.01 * (c + 1) * i));
    }
    // One buffer of kFrames frames (or fewer).
    void render(int32_t frames = kFrames)
    {
        float* inputs[2] = {in[0], in[1]};
        float* outputs[2] = {out[0], out[1]};
        const AAX_SRenderContext context{inputs, outputs, &frames, &midi, &globalMidi, &transport};
        ASSERT_EQ(effect->RenderAudio(context), AAX_SUCCESS);
    }
    KsPlugin& engine() { return *effect->plugin().getEngine(); }

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

} // namespace

TEST(KsAaxParameters, HostRateReachesTheEngine)
{
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        Rig rig(rate);
        EXPECT_EQ(rig.effect->plugin().getSampleRate(), static_cast<float>(rate));
        EXPECT_EQ(rig.engine().sampleRate, static_cast<float>(rate));
    }
}

TEST(KsAaxParameters, BypassedRenderDeliversEveryPacketInOrderAndLeavesTheEngineIdle)
{
    Rig rig;
    rig.effect->UpdateParameterNormalizedValue(AAX_cMasterBypassID, 1.0);
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
        EXPECT_EQ(engine.eventDeltas[i], packets[i].delta) << i;
        EXPECT_EQ(engine.eventStatus[i], packets[i].packet.mData[0]) << i;
        EXPECT_EQ(engine.eventData1[i], packets[i].packet.mData[1]) << i;
        EXPECT_EQ(engine.eventData2[i], packets[i].packet.mData[2]) << i;
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
        double quarters, tempo;
        double expectPosition, expectTempo;
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
    EXPECT_NEAR(rig.effect->GetParameterByID("Chain8")->GetNormalizedValue(), 0.08, 1e-9);
    rig.effect->UpdateParameterNormalizedValue(AAX_cMasterBypassID, 1.0);
    rig.render();
    EXPECT_EQ(rig.out[0][7], rig.in[0][7]) << "Master Bypass still works";
    rig.effect->UpdateParameterNormalizedValue(AAX_cMasterBypassID, 0.0);
    EXPECT_EQ(rig.effect->UpdateParameterNormalizedValue("NoSuchId", 0.5), AAX_ERROR_INVALID_PARAMETER_ID);
    // A value out of range or not a number never reaches the plug-in as such.
    const int xcita = rig.engine().parameterIndex("DistXcita");
    rig.effect->UpdateParameterNormalizedValue("DistXcita", 7.0);
    EXPECT_EQ(vst.getParameter(xcita), 1.0f);
    rig.effect->UpdateParameterNormalizedValue("DistXcita", std::nan(""));
    EXPECT_EQ(vst.getParameter(xcita), 1.0f);

    // The plug-in's own automated write tells the host and sets the parameter.
    const int chain6 = rig.effect->indexOf("Chain6");
    vst.setParameterAutomated(chain6, 0.04f);
    EXPECT_EQ(rig.controller.plugInWrites, 1);
    EXPECT_NEAR(rig.controller.lastPlugInValue, 0.04, 1e-6);
    EXPECT_NEAR(rig.effect->GetParameterByID("Chain6")->GetNormalizedValue(), 0.04, 1e-6);
    EXPECT_NEAR(vst.getParameter(chain6), 0.04, 1e-6);
}

TEST(KsAaxParameters, HostileChunksAreRefusedAndChangeNothing)
{
    Rig rig;
    rig.effect->UpdateParameterNormalizedValue("DistXcita", 0.3);
    uint32_t size = 0;
    ASSERT_EQ(rig.effect->GetChunkSize(AAX_cParameterChunkID, &size), AAX_SUCCESS);
    std::vector<uint8_t> good(size);
    uint32_t written = 0;
    ASSERT_EQ(rig.effect->GetChunk(AAX_cParameterChunkID, good.data(), size, &written), AAX_SUCCESS);
    ASSERT_EQ(written, size);
    rig.effect->UpdateParameterNormalizedValue("DistXcita", 0.8);

    const auto variant = [&](auto change) {
        std::vector<uint8_t> bytes = good;
        change(bytes);
        return bytes;
    };
    // The first entry is Master Bypass: length at 12, identifier at 14, value at 28.
    const std::vector<std::vector<uint8_t>> hostile = {
        {},
        variant([](auto& b) { b.pop_back(); }),
        variant([](auto& b) { b.erase(b.begin() + 11, b.end()); }),
        variant([](auto& b) { b.push_back(0); }),
        variant([](auto& b) { b[0] = 'X'; }),
        variant([](auto& b) { b[4] = 2; }),
        variant([](auto& b) { b[8] = 0xFF, b[9] = 0xFF, b[10] = 0xFF, b[11] = 0x7F; }),
        variant([](auto& b) { b[12] = 0, b[13] = 0; }),
        variant([](auto& b) { b[12] = 0xFF, b[13] = 0xFF; }),
        variant([](auto& b) { b[15] = 0; }),
        variant([](auto& b) { std::fill(b.begin() + 28, b.begin() + 36, 0xFF); }), // NaN
        variant([](auto& b) {
            const double big = 1.5;
            std::memcpy(b.data() + 28, &big, 8);
        }),
    };
    for (size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_EQ(rig.effect->SetChunk(AAX_cParameterChunkID, hostile[i].data(),
                                       static_cast<uint32_t>(hostile[i].size())),
                  AAX_ERROR_MALFORMED_CHUNK)
            << i;
        EXPECT_NEAR(rig.effect->GetParameterByID("DistXcita")->GetNormalizedValue(), 0.8, 1e-9) << i;
    }
    EXPECT_EQ(rig.effect->SetChunk(AAX_FourCC("othr"), good.data(), size), AAX_ERROR_INVALID_CHUNK_ID);
    ASSERT_EQ(rig.effect->SetChunk(AAX_cParameterChunkID, good.data(), size), AAX_SUCCESS);
    EXPECT_NEAR(rig.effect->plugin().getParameter(rig.effect->indexOf("DistXcita")), 0.3, 1e-6);
}

TEST(KsAaxParameters, CustomDataHandsOutTheEditorOnly)
{
    Rig rig;
    const struct {
        AAX_CTypeID block;
        uint32_t size;
        uint32_t expectWritten;
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

    EXPECT_EQ(gui->ParameterUpdated("Chain3"), AAX_SUCCESS);
    EXPECT_EQ(gui->ParameterUpdated("NoSuchId"), AAX_SUCCESS);
    EXPECT_EQ(gui->TimerWakeup(), AAX_SUCCESS);

    gui->SetViewContainer(nullptr);
    EXPECT_EQ(parent.frame, nullptr);
    EXPECT_FALSE(rig.effect->plugin().getEditor()->isOpen());
    gui.reset();
    KsPluginVST::setEditorFactory(nullptr);
}
