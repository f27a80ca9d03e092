#include "shell/OrvaneVST.h"

#include "engine/Orvane.h"

#include <cstdio>

OrvaneVST::OrvaneVST(audioMasterCallback master, VstInt32 programCount, VstInt32 paramCount)
    : KsPluginVST(master, programCount, paramCount)
{
    engine = std::make_unique<Orvane>(moduleFolder);
    engine->automation = this;
    setSampleRate(44100.0f);
    std::snprintf(dataFolder, sizeof dataFolder, "%s", engine->dataFolderSlash);

    programs.reserve(kProgramSlots);
    for (int i = 0; i < kProgramSlots; ++i)
        programs.push_back(std::make_unique<OrvaneProgram>());
    scratchProgram = std::make_unique<OrvaneProgram>();

    setUniqueID(static_cast<VstInt32>(kUniqueId));
    fxId = kUniqueId;

    const char* names[] = {"PanOn",       "PanRate",       "PanRateSync",
                           "CutoffModOn", "CutoffModRate", "CutoffModRateSync"};
    for (int i = 0; i < 6; ++i)
        realignIndices[i] = engine->parameterIndex(names[i]);

    seedFactoryContent();
    loadBank(0);

    curProgram = -1;
    setProgram(0);
    createEditor();
    suspend();
}

OrvaneVST::~OrvaneVST() = default;

bool OrvaneVST::getEffectName(char* text)
{
    if (text) std::snprintf(text, kVstTextSize, "%s", "Orvane");
    return true;
}

void OrvaneVST::afterSetParameter(VstInt32 index, float)
{
    for (int realign : realignIndices)
        if (realign >= 0 && index == realign) {
            updateTimeInfo(true);
            return;
        }
}
