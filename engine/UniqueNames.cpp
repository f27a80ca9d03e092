#include "engine/UniqueNames.h"

#include <map>
#include <set>

std::vector<std::string> numberRepeatedNames(const std::vector<std::string>& names)
{
    std::map<std::string, int> occurrences;
    for (const std::string& name : names)
        ++occurrences[name];
    std::set<std::string> taken;
    for (const std::string& name : names)
        if (occurrences[name] == 1) taken.insert(name);

    std::vector<std::string> unique;
    std::map<std::string, int> numbered;
    for (const std::string& name : names) {
        std::string s = name;
        if (occurrences[name] > 1) {
            do
                s = name + std::to_string(++numbered[name]);
            while (taken.count(s));
            taken.insert(s);
        }
        unique.push_back(s);
    }
    return unique;
}
