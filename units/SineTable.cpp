#include "units/SineTable.h"

#include <cmath>
#include <memory>
#include <mutex>

namespace
{
std::mutex tableMutex;
std::unique_ptr<float[]> table;
int referenceCount = 0;
} // namespace

const float* SineTable::acquire()
{
    std::lock_guard<std::mutex> lock(tableMutex);
    if (referenceCount == 0 || !table) {
        table = std::make_unique<float[]>(size);
        for (int i = 0; i < steps; ++i)
            table[i] = static_cast<float>(std::sin(6.283185307179586 * i / steps));
        table[steps] = table[0];
    }
    ++referenceCount;
    return table.get();
}

void SineTable::release() noexcept
{
    std::lock_guard<std::mutex> lock(tableMutex);
    if (referenceCount > 0 && --referenceCount == 0) table.reset();
}

int SineTable::users() noexcept
{
    std::lock_guard<std::mutex> lock(tableMutex);
    return referenceCount;
}
