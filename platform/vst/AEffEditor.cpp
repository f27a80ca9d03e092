#include "platform/vst/AEffEditor.h"

#include "platform/vst/AudioEffect.h"

void AEffGUIEditor::beginEdit(VstInt32 index)
{
    if (effect) effect->beginEdit(index);
}

void AEffGUIEditor::endEdit(VstInt32 index)
{
    if (effect) effect->endEdit(index);
}
