#include "SkinLayout.h"

#include "editor/SkinDescription.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace skingen
{

namespace
{

constexpr int kKnob = 44, kKnobLarge = 56, kKnobSmall = 34;
constexpr int kPowerSize = 20;
constexpr int kSelectorFrame = 20;
constexpr int kPresetBarFrame = 26;
constexpr int kMeterSegments = 31, kMeterSegmentHeight = 5;
// The step editor: 16 bars of kStepWidth pixels, of which the control leaves 3 empty at the right.
constexpr int kStepWidth = 26, kStepGap = 3;
constexpr int kStepTop = 122, kStepBottom = 238, kTieTop = 244, kTieBottom = 258, kStepLeft = 44;
constexpr int kSourceButtonHeight = 16, kSourceButtonGap = 2;
constexpr int kPatternButton = 18, kPatternSpacing = 19;
constexpr int kPadSize = 128;

// Caption baseline below a control whose rectangle ends at bottom.
constexpr int kCaptionGap = 12;

class Builder
{
  public:
    SkinLayout out;

    void bitmap(const std::string& name, Look look, int w, int h, const std::string& caption = "",
                int arrowWidth = 0)
    {
        out.bitmaps.push_back({name, look, w, h, caption, arrowWidth});
    }
    void panel(const std::string& title, int l, int t, int r, int b, const std::string& power = "")
    {
        out.panels.push_back({title, l, t, r, b, power});
        if (!power.empty()) control(power, "Switch", "PowerButton", l + 18, t + 13);
    }
    void control(const std::string& parameter, const std::string& kind, const std::string& bitmap, int x1,
                 int y1, int x2 = 0, int y2 = 0, const std::string& caption = "")
    {
        out.controls.push_back({parameter, kind, bitmap, x1, y1, x2, y2, caption, Plate::None, ""});
    }
    void knob(const std::string& parameter, const std::string& caption, int x, int y, int size = kKnob)
    {
        const char* name = size == kKnobLarge ? "KnobLarge" : size == kKnobSmall ? "KnobSmall" : "Knob";
        control(parameter, "Knob", name, x, y, 0, 0, caption);
    }
    // Knobs side by side: (parameter, caption) pairs from x, spacing apart, centred on y.
    void knobRow(std::initializer_list<std::pair<const char*, const char*>> knobs, int x, int spacing, int y,
                 int size = kKnob)
    {
        for (const auto& [parameter, caption] : knobs) {
            knob(parameter, caption, x, y, size);
            x += spacing;
        }
    }
    void plate(Plate kind, const std::string& text = "")
    {
        out.controls.back().plate = kind;
        out.controls.back().plateText = text;
    }
    void caption(const std::string& text, int x, int y, Align align = Align::Centre, bool note = false)
    {
        out.captions.push_back({text, x, y, align, note});
    }
};

void addBitmaps(Builder& b)
{
    b.bitmap("Background", Look::Background, kSkinWidth, kSkinHeight);
    b.bitmap("Knob", Look::Knob, kKnob, kKnob * kKnobFrames);
    b.bitmap("KnobLarge", Look::Knob, kKnobLarge, kKnobLarge * kKnobFrames);
    b.bitmap("KnobSmall", Look::Knob, kKnobSmall, kKnobSmall * kKnobFrames);
    b.bitmap("PowerButton", Look::PowerButton, kPowerSize, 2 * kPowerSize);
    b.bitmap("ButtonSync", Look::TextButton, 40, 36, "SYNC");
    b.bitmap("ButtonVolMode", Look::TextButton, 64, 36, "VOL MODE");
    b.bitmap("ButtonMidiTrig", Look::TextButton, 64, 36, "MIDI TRIG");
    b.bitmap("ButtonChainFilter", Look::TextButton, 42, 36, "FILTER");
    b.bitmap("ButtonChainPan", Look::TextButton, 42, 36, "PAN");
    b.bitmap("ButtonChainGate", Look::TextButton, 42, 36, "GATE");
    b.bitmap("ButtonCopy", Look::TextButton, 46, 36, "COPY");
    b.bitmap("ButtonPaste", Look::TextButton, 46, 36, "PASTE");
    b.bitmap("ButtonRandomize", Look::ActionButton, 104, 60, "RANDOMIZE");
    for (int p = 1; p <= 8; ++p)
        b.bitmap("PatternBut" + std::to_string(p), Look::PatternButton, kPatternButton, 2 * kPatternButton,
                 std::to_string(p));
    b.bitmap("ButtonSrcLfo", Look::TextButton, 40, 2 * kSourceButtonHeight, "LFO");
    b.bitmap("ButtonSrcSeq", Look::TextButton, 40, 2 * kSourceButtonHeight, "SEQ");
    b.bitmap("Selector", Look::Selector, 160, 3 * kSelectorFrame, "", kSelectorArrowWidth);
    b.bitmap("SelectorSmall", Look::Selector, 150, 3 * kSelectorFrame, "", kSmallSelectorArrowWidth);
    // The preset bar's arrows are as wide as the selector makes them: 0.8 of a frame's height.
    b.bitmap("PresetBar", Look::PresetBar, 320, 3 * kPresetBarFrame, "", 3 * kPresetBarFrame * 8 / 30);
    b.bitmap("UpDown", Look::UpDown, 18, 3 * kPresetBarFrame);
    b.bitmap("SliderHandle", Look::SliderHandle, 26, 14);
    b.bitmap("LevelMeterOn", Look::MeterOn, 10, kMeterSegments * kMeterSegmentHeight);
    b.bitmap("LevelMeterOff", Look::MeterOff, 10, kMeterSegments * kMeterSegmentHeight);
    b.bitmap("StepSeqMeterActive", Look::StepBar, kStepWidth - kStepGap, kStepBottom - kStepTop);
    b.bitmap("StepSeqMeterActiveB", Look::StepBarBeat, kStepWidth - kStepGap, kStepBottom - kStepTop);
    b.bitmap("StepSeqTieOnOff", Look::TieBar, kStepWidth - kStepGap, kTieBottom - kTieTop);
    b.bitmap("XYPad", Look::XYPad, kPadSize, kPadSize);
    b.bitmap("XYCursor", Look::XYCursor, 9, 9);
    b.bitmap("Blank", Look::Blank, 1, 1);
}

void addHeader(Builder& b)
{
    b.control("InfoLink", "WebLink", "Blank", 14, 8, 164, 50);
    // The version is drawn right-aligned at x2, 6 pixels a character; x1 leaves room for 14.
    b.control("VersionDisplay", "VersionDisplay", "FontVersion", 168, 36, 252, 50);
    b.control("Unused", "PresetSelector", "PresetBar", 330, 13, 650, 39);
    b.plate(Plate::PresetBar);
    // The program name and value read-out, over the middle of the preset bar.
    b.control("ParamDisplay", "TextDisplay", "FontDisplay", 358, 14, 622, 38);
    b.control("UpDownPreset", "UpDownPreset", "UpDown", 666, 26);
    b.control("GlobalMenu", "PresetMenu", "Blank", 688, 13, 786, 39);
    b.plate(Plate::MenuButton, "PRESETS");
}

void addSequencer(Builder& b)
{
    b.panel("STEP GATE", 10, 62, 470, 318, "TranceGateOn");
    b.control("SeqPatternCopy", "KickButton", "ButtonCopy", 318, 75);
    b.control("SeqPatternPaste", "KickButton", "ButtonPaste", 368, 75);
    b.control("StepSeqMenu", "StepSeqMenu", "Blank", 398, 66, 460, 84);
    b.plate(Plate::MenuButton, "MENU");

    b.caption("PATTERN", 20, 108, Align::Left);
    b.control("CurrentPattern", "RadioButPattern", "PatternBut1", 74, 95,
              74 + 7 * kPatternSpacing + kPatternButton, 95 + kPatternButton);
    b.caption("CHAIN", 246, 108, Align::Left);
    b.control("SeqFilterStartClk", "Switch", "ButtonChainFilter", 306, 104);
    b.control("SeqPanStartClk", "Switch", "ButtonChainPan", 352, 104);
    b.control("SeqTGateStartClk", "Switch", "ButtonChainGate", 398, 104);

    const int right = kStepLeft + kStepCount * kStepWidth;
    b.control("StepSeqVol", "StepSeqVol", "StepSeqMeterActive", kStepLeft, kStepTop, right, kStepBottom);
    b.plate(Plate::StepGrid);
    b.control("StepSeqTie", "StepSeqTie", "StepSeqTieOnOff", kStepLeft, kTieTop, right, kTieBottom);
    b.plate(Plate::TieGrid);
    b.caption("VOL", 20, (kStepTop + kStepBottom) / 2 + 3, Align::Left);
    b.caption("TIE", 20, (kTieTop + kTieBottom) / 2 + 3, Align::Left);
    for (int s = 0; s < kStepCount; ++s)
        b.caption(std::to_string(s + 1), kStepLeft + s * kStepWidth + (kStepWidth - kStepGap) / 2, 272);

    b.control("SeqVolMode", "Switch", "ButtonVolMode", 54, 294);
    b.control("SeqMidiNoteTrigger", "Switch", "ButtonMidiTrig", 124, 294);
    b.caption("LEFT DRAG PAINTS  -  RIGHT DRAG ERASES", right, 298, Align::Right, true);
}

void addModulator(Builder& b, const char* shape, const char* source, const char* depth, const char* rate,
                  const char* sync, int left, int top, bool wide)
{
    // A row with the shape selector, then the source buttons, the depth and rate knobs and sync.
    b.control(shape, "Selector", "Selector", left + 80, top + 10);
    const int radioTop = top + 28;
    b.control(source, "RadioButSrc", "ButtonSrcLfo", left, radioTop, left + 40,
              radioTop + 2 * kSourceButtonHeight + kSourceButtonGap);
    if (wide) {
        b.knob(depth, "DEPTH", left + 100, top + 46);
        b.knob(rate, "RATE", left + 170, top + 46);
        b.control(sync, "Switch", "ButtonSync", left + 250, top + 46);
    } else {
        b.control(sync, "Switch", "ButtonSync", left + 142, radioTop + 17);
        b.knob(depth, "DEPTH", left + 40, top + 130, kKnobLarge);
        b.knob(rate, "RATE", left + 120, top + 130, kKnobLarge);
    }
}

void addPanAndFilter(Builder& b)
{
    b.panel("AUTO PAN", 478, 62, 658, 318, "PanOn");
    addModulator(b, "PanShape", "PanSource", "PanDepth", "PanRate", "PanRateSync", 488, 96, false);

    b.panel("FILTER", 666, 62, 990, 318, "MmFilterOn");
    b.control("MmFilterType", "Selector", "Selector", 756, 106);
    b.knob("MmFilterCutoff", "CUTOFF", 726, 154, kKnobLarge);
    b.knob("MmFilterRes", "RESONANCE", 820, 160);
    b.knob("MmFilterMix", "MIX", 910, 160);
    // The cutoff modulation: a sub-section with its own switch and title.
    b.out.panels.push_back({"CUTOFF MOD", 666, 200, 990, 318, "CutoffModOn", true});
    b.control("CutoffModOn", "Switch", "PowerButton", 684, 213);
    addModulator(b, "CutoffModShape", "CutoffModSource", "CutoffModDepth", "CutoffModRate",
                 "CutoffModRateSync", 676, 230, true);
}

void addEffects(Builder& b)
{
    const int knobY = 402;
    b.panel("DRIVE", 10, 326, 128, 470, "DistOn");
    b.knobRow({{"DistXcita", "EXCITE"}, {"DistSoftSat", "SATURATE"}}, 40, 58, knobY);

    b.panel("FLANGER", 136, 326, 418, 470, "FlangerOn");
    b.knobRow({{"FlangerMix", "MIX"},
               {"FlangerDelay", "DELAY"},
               {"FlangerRate", "RATE"},
               {"FlangerDepth", "DEPTH"},
               {"FlangerFeedback", "FEEDBACK"}},
              166, 56, knobY);

    b.panel("DELAY", 426, 326, 744, 470, "DelayOn");
    b.control("DelayRateSync", "Switch", "ButtonSync", 716, 339);
    b.knobRow({{"DelayMix", "MIX"},
               {"DelayFeedback", "FEEDBACK"},
               {"DelayLRate", "TIME L"},
               {"DelayRRate", "TIME R"},
               {"DelayCutoff", "HIGH CUT"}},
              458, 58, knobY);

    b.panel("REVERB", 752, 326, 870, 470, "ReverbOn");
    b.knobRow({{"ReverbMix", "MIX"}, {"ReverbSize", "SIZE"}}, 782, 58, knobY);

    b.panel("MASTER", 878, 326, 990, 640, "MasterOn");
    b.knob("MasterMix", "DRY/WET", 934, 394);
    const int meterTop = 463, meterBottom = meterTop + kMeterSegments * kMeterSegmentHeight;
    b.control("MasterVolume", "VSlider", "SliderHandle", 912, meterTop + 6, 912, meterBottom - 6);
    b.plate(Plate::SliderTrack);
    b.caption("VOLUME", 912, 634);
    b.control("LevelMeterL", "VuMeter", "LevelMeterOn", 946, meterTop, 956, meterBottom);
    b.plate(Plate::MeterFrame);
    b.control("LevelMeterR", "VuMeter", "LevelMeterOn", 962, meterTop, 972, meterBottom);
    b.plate(Plate::MeterFrame);
    b.caption("L", 951, 634);
    b.caption("R", 967, 634);
}

void addShapeAndMorph(Builder& b)
{
    b.panel("GATE SHAPE", 10, 478, 418, 640);
    b.knobRow({{"SeqAttack", "ATTACK"},
               {"SeqSustain", "SUSTAIN"},
               {"SeqDecay", "DECAY"},
               {"SeqShuffle", "SHUFFLE"},
               {"SeqLength", "LENGTH"}},
              44, 60, 564, kKnobLarge);
    b.knob("SeqFilterStart", "FILTER\nSTART", 338, 568, kKnobSmall);
    b.knob("SeqTGateStart", "GATE\nSTART", 390, 568, kKnobSmall);

    b.panel("XY MORPH", 426, 478, 870, 640);
    b.control("MorphSquare", "MorphSquare", "XYPad", 442 + kPadSize / 2, 504 + kPadSize / 2);
    b.caption("X AXIS", 596, 526, Align::Left);
    b.control("MorphXParam", "Selector", "SelectorSmall", 671, 542);
    b.caption("Y AXIS", 596, 580, Align::Left);
    b.control("MorphYParam", "Selector", "SelectorSmall", 671, 596);
    b.control("Randomize", "KickButton", "ButtonRandomize", 810, 569);
}

} // namespace

SkinLayout skinLayout()
{
    Builder b;
    addBitmaps(b);
    // The first font is the one selectors draw with.
    b.out.fonts = {{"FontSelector", "DejaVuSans.ttf", 11, palette::kTitle},
                   {"FontDisplay", "DejaVuSans.ttf", 13, palette::kDisplayText},
                   {"FontVersion", "DejaVuSans.ttf", 9, palette::kDim}};
    b.out.values = {{"XYLineR", 58},
                    {"XYLineG", 200},
                    {"XYLineB", 192},
                    {"XYLineA", 170},
                    {"RadioButSrcYSpace", kSourceButtonHeight + kSourceButtonGap},
                    {"SelectorButtonWidthSmall", kSmallSelectorArrowWidth}};
    addHeader(b);
    addSequencer(b);
    addPanAndFilter(b);
    addEffects(b);
    addShapeAndMorph(b);
    return b.out;
}

const BitmapSpec* findBitmap(const SkinLayout& layout, const std::string& name)
{
    for (const BitmapSpec& bitmap : layout.bitmaps)
        if (bitmap.name == name) return &bitmap;
    return nullptr;
}

Rect controlRect(const ControlSpec& c, const SkinLayout& layout)
{
    const BitmapSpec* bitmap = findBitmap(layout, c.bitmap);
    const SkinRect r = controlRectangle(c.kind, bitmap ? bitmap->width : 0, bitmap ? bitmap->height : 0, c.x1,
                                        c.y1, c.x2, c.y2);
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace skingen
