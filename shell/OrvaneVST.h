// OrvaneVST: the product's plug-in shell. Creates the Orvane engine, the 64 programs with the
// product defaults and the scratch program, loads bank 0 of the data folder (seeding the
// factory bank there first when it is missing) and selects program 0.
//
// Overrides: getEffectName ("Orvane") and afterSetParameter, which re-aligns the modulators
// to the host position at once when a pan or cutoff-modulation rate or switch changes.
#pragma once

#include "shell/KsPluginVST.h"

class OrvaneVST : public KsPluginVST
{
  public:
    static constexpr VstInt32 kDefaultParameterCount = 366;

    explicit OrvaneVST(audioMasterCallback audioMaster, VstInt32 numPrograms = kProgramSlots,
                       VstInt32 numParams = kDefaultParameterCount);
    ~OrvaneVST() override;

    bool getEffectName(char* text) override;
    void afterSetParameter(VstInt32 index, float value) override;

  private:
    // "PanOn", "PanRate", "PanRateSync", "CutoffModOn", "CutoffModRate", "CutoffModRateSync".
    int realignIndices[6] = {-1, -1, -1, -1, -1, -1};
};
