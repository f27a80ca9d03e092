#pragma once

// BiquadFilter: one second-order IIR section for the effect units' tone filters.
//
// Coefficients come from the RBJ audio-EQ-cookbook high-pass and low-pass designs,
// computed in double precision and stored as float; filtering is direct form I in
// float. Fields are public so that units can run the per-sample step inline in
// their own loops.
//
// Threading: designs (setHighPass, setLowPass) and processSample must run on the
// same thread (in practice the audio thread, or before processing starts).
// Nothing here allocates.

class BiquadFilter
{
  public:
    BiquadFilter() = default;
    virtual ~BiquadFilter() = default;

    // Design a high-pass at `frequency` Hz (held at most 0.45 x the rate, safely below
    // Nyquist). `q` is a Q when qForm is true, otherwise a bandwidth in octaves. Histories
    // are kept.
    void setHighPass(double sampleRate, double frequency, double q, bool qForm);
    // Design a low-pass; arguments as for setHighPass.
    void setLowPass(double sampleRate, double frequency, double q, bool qForm);

    // One direct-form-I step: returns the filtered sample.
    float processSample(float x) noexcept
    {
        const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

    // Clear the input and output histories, keeping the coefficients.
    void clearState() noexcept { y1 = y2 = x1 = x2 = 0.0f; }

    // Flush every coefficient that lies strictly inside +-1e-15 to zero.
    void flushDenormals() noexcept;

    // Block-level guard, run once per block before the filter is used: a last output
    // that has decayed below 1e-15 ends the tail, so the recursion never reaches
    // denormal territory.
    void guardOutput() noexcept
    {
        if (y1 > -1e-15f && y1 < 1e-15f) {
            y1 = 0.0f;
            y2 = 0.0f;
        }
    }

    // Feed-forward coefficients.
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    // Feedback coefficients, already divided by a0.
    float a1 = 0.0f, a2 = 0.0f;
    // Last and second-last output.
    float y1 = 0.0f, y2 = 0.0f;
    // Last and second-last input.
    float x1 = 0.0f, x2 = 0.0f;

  private:
    void design(double sampleRate, double frequency, double q, bool qForm, bool highPass);
};
