// The AAX identifier of every plug-in parameter: its primary name, except that a name held by
// more than one parameter is numbered in index order, so that each identifier reaches exactly
// one parameter ("Chain" x 8 -> "Chain1" .. "Chain8"; the names themselves stay "Chain").
//
//   parameterIdentifiers(effect)   one identifier per parameter index; allocates
//   findIdentifier(ids, id)        the index whose identifier is id (exact bytes), -1 for none;
//                                  allocates nothing
#pragma once

#include <string>
#include <vector>

class AudioEffect;

std::vector<std::string> parameterIdentifiers(AudioEffect& effect);
int findIdentifier(const std::vector<std::string>& identifiers, const char* id);
