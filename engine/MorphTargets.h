// The XY pad's target list: the 23 sound parameters that "MorphXParam" and "MorphYParam" can
// select, indexed by the selector value (the integer value of either parameter). A selector of
// morphTargetCount or more selects nothing. This table is the one source of the list: the engine
// resolves it to parameter indices once, and the editor's target menus read it from here.
#pragma once

constexpr int morphTargetCount = 23;

// Parameter names of the XY pad targets, by selector.
extern const char* const morphTargets[morphTargetCount];

// Selector of a target parameter name, or -1 when the name is not a target.
int morphSelectorOf(const char* name) noexcept;
