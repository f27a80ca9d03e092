#pragma once
// IirFilter: a cascade of second-order sections in direct form II with one overall gain,
// designed from analog second-order prototypes by the bilinear transform with prewarping.
//
// Per sample: v = x * gain; for each section w = v - h1*beta1 - h2*beta2,
// v = w + h1*alpha1 + h2*alpha2, then h2 = h1, h1 = w. Nothing here allocates.

class IirFilter
{
  public:
    static constexpr int maxSections = 4;

    struct Section {
        float beta1 = 0.f, beta2 = 0.f;   // poles
        float alpha1 = 0.f, alpha2 = 0.f; // zeros
        float h1 = 0.f, h2 = 0.f;         // history
    };

    // Starts a new design: gain 1, no sections (histories of the old sections are kept).
    void beginDesign() noexcept;
    // Appends the digital image of the analog section (a0 + a1 s + a2 s^2) / (b0 + b1 s +
    // b2 s^2) normalised to cutoff fc (held at most 0.45 x fs) at sample rate fs, and folds
    // its gain into the total.
    // Ignored once maxSections are in place.
    void addAnalogSection(double a0, double a1, double a2, double b0, double b1, double b2, double fs,
                          double fc) noexcept;
    // Ends a design: stores the accumulated gain (0 when below 1e-15).
    void endDesign() noexcept;
    // Takes over another filter's design (sections and gain), keeping this one's history.
    void copyDesign(const IirFilter& other) noexcept;
    // Zeroes every section's history.
    void clearHistory() noexcept;
    // Filters a buffer in place, then flushes tiny history values to zero.
    void process(float* buffer, int frames) noexcept;
    // This filter on the left buffer and another on the right one, in one pass; the same
    // result as process on each.
    void processStereo(IirFilter& rightFilter, float* left, float* right, int frames) noexcept;

    int sectionCount = 0;
    float gain = 0.f;
    Section sections[maxSections];

  private:
    double designGain = 1.0;
    double warpFs = 0.0, warpFc = 0.0, warp = 0.0; // prewarped cutoff of the last section
};
