#include "engine/KsPlugin.h"

#include "engine/MidiCcMap.h"
#include "engine/Random.h"
#include "platform/os/OsFolders.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
constexpr auto relaxed = std::memory_order_relaxed;
}

KsPlugin::KsPlugin(int automatable, int total, const char* path)
    : parameterCount(std::max(total, 0)), automatableCount(std::clamp(automatable, 0, std::max(total, 0))),
      midiMap(new MidiCcMap),
      changed(new std::atomic<std::uint8_t>[static_cast<std::size_t>(std::max(total, 0))])
{
    parameters.resize(static_cast<std::size_t>(parameterCount));
    for (int i = 0; i < parameterCount; ++i)
        changed[i].store(0, relaxed);
    std::snprintf(shellPath, sizeof shellPath, "%s", path ? path : "");
}

KsPlugin::~KsPlugin() = default;

void KsPlugin::process(const float*, const float*, float*, float*, int, bool) noexcept {}
void KsPlugin::suspend() {}
void KsPlugin::resume() {}

void KsPlugin::setSampleRate(float rate)
{
    if (std::isfinite(rate) && rate > 0.0f) sampleRate = rate;
}

void KsPlugin::reset() {}
void KsPlugin::clearHistory()
{
    reset();
    peakLeft.store(0.0f, relaxed);
    peakRight.store(0.0f, relaxed);
}

void KsPlugin::setTempo(float newTempo, double position)
{
    if (std::isfinite(newTempo) && newTempo > 0.0f) tempo.store(newTempo, relaxed);
    if (std::isfinite(position)) songPosition.store(position, relaxed);
}

void KsPlugin::randomize()
{
    for (int i = 0; i < automatableCount; ++i)
        if (parameters[i])
            parameters[i]->setValue(static_cast<float>(ksRand()) / static_cast<float>(kKsRandMax));
}

void KsPlugin::displayOverride(int, char*) {}
void KsPlugin::unitOverride(int, char*) {}
void KsPlugin::willSetParameter(int, float&) {}
void KsPlugin::parameterChanged(int, float) {}
void KsPlugin::applyPendingControllers() noexcept {}

KsParameter* KsPlugin::parameter(int index) const
{
    if (index < 0 || index >= parameterCount) return nullptr;
    return parameters[static_cast<std::size_t>(index)].get();
}

void KsPlugin::setParameter(int index, float value)
{
    KsParameter* p = parameter(index);
    if (!p || !std::isfinite(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    willSetParameter(index, value);
    if (!std::isfinite(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    // The value first, then the flag: a flush on another thread that takes the flag then reads
    // this value or a later one, never the value from before (which would stay in the program).
    p->setValue(value);
    changed[index].store(1, relaxed);
    anyChanged.store(true, std::memory_order_release);
    parameterChanged(index, value);
}

float KsPlugin::getParameter(int index) const
{
    const KsParameter* p = parameter(index);
    return p ? p->getValue() : 0.0f;
}

void KsPlugin::getParameterName(int index, char* text) const
{
    const KsParameter* p = parameter(index);
    std::snprintf(text, KsParameter::kTextSize, "%s", p ? p->name : "");
}

void KsPlugin::getParameterAltName(int index, char* text) const
{
    const KsParameter* p = parameter(index);
    std::snprintf(text, KsParameter::kTextSize, "%s", p ? p->altName : "");
}

void KsPlugin::getParameterDisplay(int index, char* text)
{
    const KsParameter* p = parameter(index);
    if (!p) {
        text[0] = '\0';
        return;
    }
    p->formatValue(text);
    displayOverride(index, text);
}

void KsPlugin::getParameterLabel(int index, char* text)
{
    const KsParameter* p = parameter(index);
    std::snprintf(text, KsParameter::kTextSize, "%s", p ? p->unitText() : "");
    if (p) unitOverride(index, text);
}

int KsPlugin::parameterIndex(const char* name) const
{
    if (!name) return -1;
    for (int i = 0; i < parameterCount; ++i)
        if (parameters[i] && std::strcmp(parameters[i]->name, name) == 0) return i;
    return -1;
}

void KsPlugin::queueEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, int delta) noexcept
{
    // MIDI learn: the first control change below 123 (the channel-mode messages) while a
    // target is armed takes that parameter. The shell writes the controller file afterwards.
    const int target = learnTarget.load(relaxed);
    if (target != -1 && (status & 0xF0) == 0xB0 && data1 < 123) {
        midiMap->learn(data1, target);
        learnTarget.store(-1, relaxed);
    }
    const int n = eventCount.load(relaxed);
    if (n < 0 || n >= kMaxEvents) return;
    eventDeltas[n] = delta;
    eventStatus[n] = status;
    eventData1[n] = data1;
    eventData2[n] = data2;
    eventCount.store(n + 1, std::memory_order_release);
}

float KsPlugin::readPeak(int channel) const noexcept
{
    return (channel == 0 ? peakLeft : peakRight).load(relaxed);
}

float KsPlugin::effectiveTempo() const noexcept
{
    const float t = tempo.load(relaxed);
    return std::isfinite(t) && t > 0.0f ? t : 120.0f;
}

void KsPlugin::buildDataPaths()
{
    // Without any home folder there is no data folder: the paths stay empty, so that nothing
    // is read from or written to the current folder.
    const std::string base = os::commonDataFolder();
    if (base.empty()) return;
    const std::string folder = base + "/Tirsk Audio/" + dataFolderName();
    std::snprintf(dataFolder, sizeof dataFolder, "%s", folder.c_str());
    std::snprintf(midiConfigPath, sizeof midiConfigPath, "%s",
                  (std::string(dataFolder) + "/MidiConfig.txt").c_str());
    std::snprintf(dataFolderSlash, sizeof dataFolderSlash, "%s", (std::string(dataFolder) + "/").c_str());
}
