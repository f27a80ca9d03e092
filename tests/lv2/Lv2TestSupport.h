// Helpers shared by the LV2 tests: a private data folder per test, bank files written through
// the shell, and the programs inside a saved state.
#pragma once

#include "Lv2TestHost.h"

#include <string>
#include <vector>

// Points the data folder ($XDG_DATA_HOME) of every shell created meanwhile at a fresh folder
// named after the test; restores the previous value on destruction.
class ScopedDataFolder
{
  public:
    ScopedDataFolder();
    ~ScopedDataFolder();
    // <folder>/Tirsk Audio/OrvaneData/, created.
    const std::string& orvaneData() const { return dataFolder; }

  private:
    std::string previous;
    bool hadPrevious = false;
    std::string dataFolder;
};

struct StoredProgram {
    std::string name;
    std::vector<float> values;
};

// The 64 programs of the bank chunk in a saved state (empty when it cannot be read).
std::vector<StoredProgram> programsOf(const Lv2TestHost::State& state);
// The current program index in a saved state (-1 when absent).
int programIndexOf(const Lv2TestHost::State& state);
// Values of the current program of a saved state.
std::vector<float> currentValuesOf(const Lv2TestHost::State& state);

// Writes a bank file with the product defaults in every slot, except that slot p gets the name
// "<prefix> <p + 1>" and "DistXcita" = xcita[p] where xcita has an entry.
void writeBank(const std::string& path, const std::string& prefix, const std::vector<float>& xcita);
