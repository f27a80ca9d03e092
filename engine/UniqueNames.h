// Unique identifiers from parameter names that may repeat (the eight "Chain" parameters): a name
// that occurs once stays as it is; a name that occurs n times becomes name1 .. namen in order,
// skipping any number that would give a name already taken.
//
//   numberRepeatedNames(names)   the identifiers, one per name, in the same order
#pragma once

#include <string>
#include <vector>

std::vector<std::string> numberRepeatedNames(const std::vector<std::string>& names);
