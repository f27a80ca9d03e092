// StepSeqMenu: the button that opens the menu of operations on the current step pattern.
//
// StepSeqMenu(size, listener, tag, engine)
//   draw                  draws nothing: the skin's background shows the button
//   onMouseDown           a left or right press opens the menu at the press point:
//                           0 "Load Preset"   1 "Save Preset"   2 -
//                           3 "Clear"   4 "Vol All"   5 "Vol Every 2"   6 "Vol Every 4"
//                           7 "Tie All"   8 "Randomize"   9 -   10 "Move Left"   11 "Move Right"
//                           12 -   13 "Midi Trigger On"   14 "Midi Trigger Off"
//                         (13 is checked when "SeqMidiNoteTrigger" is 1, else 14); after a choice
//                         the control is marked dirty and the listener is told
//   choose(entry)         what choosing an entry does (the two file entries run their dialogs)
//   currentPattern(engine) the pattern "CurrentPattern" selects, 0..7
//
// Every write goes through the engine's setParameter (change hooks run, the host is not told).
// "Randomize" draws from the engine's process-wide generator, so a seeded run repeats.
// User-interface thread only.
#pragma once

#include "platform/gui/CControl.h"

class KsPlugin;
class COptionMenu;

class StepSeqMenu : public CControl
{
  public:
    enum Entry {
        kLoadPreset = 0,
        kSavePreset = 1,
        kClear = 3,
        kVolAll = 4,
        kVolEvery2 = 5,
        kVolEvery4 = 6,
        kTieAll = 7,
        kRandomize = 8,
        kMoveLeft = 10,
        kMoveRight = 11,
        kMidiTriggerOn = 13,
        kMidiTriggerOff = 14,
        kEntryCount = 15,
    };

    StepSeqMenu(const CRect& size, CControlListener* listener, int tag, KsPlugin* engine);

    void draw(CDrawContext& context) override;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;

    void choose(int entry);
    // The menu as it opens now (texts, separators and the check mark).
    void buildMenu(COptionMenu& menu) const;
    static int currentPattern(const KsPlugin& engine);

  private:
    KsPlugin* engine;
    int triggerIndex; // "SeqMidiNoteTrigger"
};
