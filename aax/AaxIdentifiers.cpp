#include "aax/AaxIdentifiers.h"

#include "platform/vst/AudioEffect.h"

#include <cstring>
#include <map>

std::vector<std::string> parameterIdentifiers(AudioEffect& effect)
{
    const int count = effect.getAeffect()->numParams;
    std::vector<std::string> names;
    std::map<std::string, int> occurrences;
    for (int i = 0; i < count; ++i) {
        char text[kVstTextSize] = {};
        effect.getParameterName(i, text);
        names.emplace_back(text);
        ++occurrences[names.back()];
    }
    std::map<std::string, int> numbered;
    for (std::string& name : names)
        if (occurrences[name] > 1) name += std::to_string(++numbered[name]);
    return names;
}

int findIdentifier(const std::vector<std::string>& identifiers, const char* id)
{
    if (!id) return -1;
    for (size_t i = 0; i < identifiers.size(); ++i)
        if (std::strcmp(identifiers[i].c_str(), id) == 0) return static_cast<int>(i);
    return -1;
}
