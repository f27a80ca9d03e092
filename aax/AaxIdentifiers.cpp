#include "aax/AaxIdentifiers.h"

#include "engine/UniqueNames.h"
#include "platform/vst/AudioEffect.h"

#include <cstring>

std::vector<std::string> parameterIdentifiers(AudioEffect& effect)
{
    const int count = effect.getAeffect()->numParams;
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char text[kVstTextSize] = {};
        effect.getParameterName(i, text);
        names.emplace_back(text);
    }
    return numberRepeatedNames(names);
}

int findIdentifier(const std::vector<std::string>& identifiers, const char* id)
{
    if (!id) return -1;
    for (size_t i = 0; i < identifiers.size(); ++i)
        if (std::strcmp(identifiers[i].c_str(), id) == 0) return static_cast<int>(i);
    return -1;
}
