#pragma once
// KsFilterWrapper: a filter type built from one inner object (a biquad section or a pair of
// sections) to which every operation is forwarded. The derived type only chooses the inner
// object's fixed settings; its mode is fixed unless the derived type forwards setMode. Two
// wrappers of the same type run both channels in one pass and share one design.

#include "filters/KsFilterBiquad.h"

template <class Derived, class Inner> class KsFilterWrapper : public KsFilter
{
  public:
    void reset() noexcept override { inner.reset(); }
    void setSampleRate(float hz) noexcept override
    {
        sampleRate = hz;
        inner.setSampleRate(hz);
    }
    void setCutoff(float note) noexcept override { inner.setCutoff(note); }
    void setResonance(float r) noexcept override { inner.setResonance(r); }
    void setDrive(float d) noexcept override { inner.setDrive(d); }
    void setMode(int32_t) noexcept override {}
    void process(float* buffer, int frames) noexcept override { inner.process(buffer, frames); }
    void processStereo(float* l, float* r, int frames, KsFilter& partner) noexcept override
    {
        if (!isExactly<Derived>(partner)) {
            KsFilter::processStereo(l, r, frames, partner);
            return;
        }
        inner.processStereo(l, r, frames, static_cast<Derived&>(partner).inner);
    }

    Inner inner;

  protected:
    template <class... Args> KsFilterWrapper(int32_t id, Args... innerArgs) noexcept : inner(innerArgs...)
    {
        classId = id;
        inner.reset();
    }
};
