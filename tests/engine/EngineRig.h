// EngineRig: an engine at 48 kHz with the product defaults at 120 bpm, resumed, as a host first
// sees it; parameters addressed by name, and a runner for constant input.
#pragma once

#include "engine/KsProgram.h"
#include "engine/Orvane.h"
#include "engine/ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

using Settings = std::vector<std::pair<const char*, float>>;

struct EngineRig {
    std::unique_ptr<Orvane> o = std::make_unique<Orvane>();

    // Without a sample rate parameter ramps complete at once.
    explicit EngineRig(const Settings& settings = {}, bool withRate = true)
    {
        if (withRate) o->setSampleRate(48000.0f);
        OrvaneProgram defaults;
        for (int i = 0; i < defaults.count; ++i)
            o->setParameter(i, defaults.values[i]);
        o->setTempo(120.0f, 0.0);
        o->resume();
        apply(settings);
    }
    // Sets the parameters, then resumes as a host does after a change of settings.
    void apply(const Settings& settings)
    {
        for (const auto& [name, value] : settings)
            set(name, value);
        o->resume();
    }
    int index(const char* name) const
    {
        const int i = o->parameterIndex(name);
        EXPECT_GE(i, 0) << name;
        return i;
    }
    void set(const char* name, float v) { o->setParameter(index(name), v); }
    float get(const char* name) const { return o->getParameter(index(name)); }
    KsParameter& param(const char* name) const { return *o->parameter(index(name)); }
    std::vector<float> stored() const
    {
        std::vector<float> v(kAutomatableCount);
        for (int i = 0; i < kAutomatableCount; ++i)
            v[i] = o->getParameter(i);
        return v;
    }
    // Processes a constant input in blocks of up to 512 frames; the outputs start out holding
    // `previous` (what an accumulating process adds to).
    std::pair<std::vector<float>, std::vector<float>> run(int frames, float left = 1.0f, float right = 1.0f,
                                                          bool replacing = true, float previous = 0.0f)
    {
        std::vector<float> inL(frames, left), inR(frames, right), l(frames, previous), r(frames, previous);
        for (int done = 0; done < frames || done == 0; done += 512) {
            const int n = std::min(512, frames - done);
            o->process(inL.data() + done, inR.data() + done, l.data() + done, r.data() + done, n, replacing);
        }
        return {l, r};
    }
};

// "MasterVolume" 0.77 (the default) is unity gain on the curve 1.001^2.737.
inline const float kUnityGain = std::pow(1.001f, 2.737f);
