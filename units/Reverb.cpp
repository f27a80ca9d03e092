#include "units/Reverb.h"

#include "units/BiquadCascade.h"
#include "units/Limit.h"
#include "units/LoopTargets.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <new>

namespace
{

constexpr int chunkFrames = 64;
constexpr double lowPassHz = 3000.0;
constexpr double highPassHz = 400.0;
constexpr double octaves = 1.5;
// Lines are sized for at most this rate; faster hosts get proportionally shorter tanks.
constexpr float maxLineRate = 768000.0f;

// Exponent bits all zero, mantissa not zero.
inline bool isDenormal(float x) noexcept
{
    const uint32_t bits = std::bit_cast<uint32_t>(x);
    return (bits & 0x7f800000u) == 0 && (bits & 0x007fffffu) != 0;
}

typedef float v8sf __attribute__((vector_size(32)));

// Each lane of magnitude below 1e-15 set to zero (a NaN stays).
inline void flushTiny(v8sf& x) noexcept
{
    const v8sf limit = v8sf{} + 1e-15f;
    x = x > -limit && x < limit ? v8sf{} : x;
}

constexpr int lanes = 2 * Reverb::numCombs; // left combs, then right combs

// Loads and stores through an unaligned, aliasing view of eight floats, so each is one
// vector move. Vectors are passed by reference: the baseline variant has no 32-byte
// registers.
typedef float v8sfUnaligned __attribute__((vector_size(32), aligned(4), may_alias));

inline void load8(v8sf& v, const float* p) noexcept
{
    v = *reinterpret_cast<const v8sfUnaligned*>(p);
}

inline void store8(float* p, const v8sf& v) noexcept
{
    *reinterpret_cast<v8sfUnaligned*>(p) = v;
}

// Picks eight of the sixteen lanes of (a, b) into out: lane index i < 8 is a[i], otherwise
// b[i - 8]. Written with the shuffle builtin that both GCC and clang take.
template <int... lane> inline void pick(v8sf& out, const v8sf& a, const v8sf& b) noexcept
{
    out = __builtin_shufflevector(a, b, lane...);
}

// Transposes the 8x8 block at `in` (rows `inStride` floats apart) into `out`.
inline void transpose8(const float* in, int inStride, float* out, int outStride) noexcept
{
    v8sf r[8];
    for (int i = 0; i < 8; ++i)
        load8(r[i], in + i * inStride);
    // Interleave pairs of rows, then pairs of pairs, then the two halves.
    v8sf t[8];
    for (int i = 0; i < 4; ++i) {
        pick<0, 8, 1, 9, 4, 12, 5, 13>(t[2 * i], r[2 * i], r[2 * i + 1]);
        pick<2, 10, 3, 11, 6, 14, 7, 15>(t[2 * i + 1], r[2 * i], r[2 * i + 1]);
    }
    v8sf q[8];
    for (int h = 0; h < 2; ++h) { // rows 0..3, then rows 4..7
        pick<0, 1, 8, 9, 4, 5, 12, 13>(q[4 * h + 0], t[4 * h], t[4 * h + 2]);
        pick<2, 3, 10, 11, 6, 7, 14, 15>(q[4 * h + 1], t[4 * h], t[4 * h + 2]);
        pick<0, 1, 8, 9, 4, 5, 12, 13>(q[4 * h + 2], t[4 * h + 1], t[4 * h + 3]);
        pick<2, 3, 10, 11, 6, 7, 14, 15>(q[4 * h + 3], t[4 * h + 1], t[4 * h + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        v8sf low, high;
        pick<0, 1, 2, 3, 8, 9, 10, 11>(low, q[i], q[i + 4]);
        pick<4, 5, 6, 7, 12, 13, 14, 15>(high, q[i], q[i + 4]);
        store8(out + i * outStride, low);
        store8(out + (i + 4) * outStride, high);
    }
}

// Runs one all-pass over a chunk in place. Within a stretch that does not wrap, every
// sample reads and writes its own line slot, so the stretch vectorises.
void runAllpass(AllpassFilter& a, float* __restrict io, int frames) noexcept
{
    float* __restrict line = a.line;
    const float fb = a.feedback;
    int index = a.index;
    int n = 0;
    while (n < frames) {
        const int stretch = std::min(frames - n, a.size - index);
        float* __restrict l = line + index;
        float* __restrict x = io + n;
        for (int j = 0; j < stretch; ++j) {
            const float b = l[j];
            const float u = x[j];
            l[j] = u + b * fb;
            x[j] = b - u;
        }
        n += stretch;
        index += stretch;
        if (index >= a.size) index = 0;
    }
    a.index = index;
}

typedef int v8si __attribute__((vector_size(32)));

// A chunk of at most Reverb::shortFrames frames is worked in whole eight-frame vectors; `live`
// marks the lanes that hold one of its frames.
struct ShortLanes {
    int blocks;
    v8si live[2];

    ShortLanes() noexcept : ShortLanes(0) {}
    explicit ShortLanes(int frames) noexcept : blocks((frames + 7) / 8)
    {
        for (int h = 0; h < 2; ++h)
            for (int j = 0; j < 8; ++j)
                live[h][j] = 8 * h + j < frames ? -1 : 0;
    }
};

// The lanes of every short chunk length, built once rather than on every chunk.
const std::array<ShortLanes, Reverb::shortFrames + 1> shortLanes = [] {
    std::array<ShortLanes, Reverb::shortFrames + 1> table;
    for (int frames = 0; frames <= Reverb::shortFrames; ++frames)
        table[static_cast<std::size_t>(frames)] = ShortLanes(frames);
    return table;
}();

// The comb half of a chunk of at most Reverb::shortFrames frames, padded to whole eight-frame
// vectors: per comb one or two vector loads of the line outputs, summed into the wet paths
// (in comb order) and damped into perComb. Lanes past `frames` hold whatever the line holds
// there (or zero) and are never used. A comb whose padded stretch would run past its line's
// end is gathered sample by sample, wrapping. With allFit, the caller has found that no
// line's end lies within its padded stretch (nor right after it), here and in the two below.
template <bool allFit>
inline void gatherShort(CombFilter* const* combs, float* __restrict wetL, float* __restrict wetR,
                        float (*__restrict perComb)[chunkFrames], int frames,
                        const ShortLanes& lanesOf) noexcept
{
    const int blocks = lanesOf.blocks;
    for (int h = 0; h < blocks; ++h) {
        v8sf sumL = {}, sumR = {};
        for (int k = 0; k < lanes; ++k) {
            const CombFilter& c = *combs[k];
            v8sf y;
            if (allFit || c.index + 8 * blocks <= c.size) {
                load8(y, c.line + c.index + 8 * h);
            } else {
                y = v8sf{};
                for (int j = 0; j < 8 && 8 * h + j < frames; ++j) {
                    int at = c.index + 8 * h + j;
                    if (at >= c.size) at -= c.size;
                    y[j] = c.line[at];
                }
            }
            v8sf& sum = k < Reverb::numCombs ? sumL : sumR;
            sum = k % Reverb::numCombs == 0 ? y : sum + y;
            const v8sf damped = y * c.damp2;
            store8(&perComb[k][8 * h], damped);
        }
        store8(wetL + 8 * h, sumL);
        store8(wetR + 8 * h, sumR);
    }
}

// The line writes of such a chunk: line = u + store x feedback for the first `frames` slots
// from each comb's index. Where the padded stretch lies inside the line, the padding lanes
// write back the values they hold, so one vector store covers eight slots; otherwise the
// slots are written one by one, wrapping. Then each comb's index and damping state move on.
template <bool allFit>
inline void writeBackShort(CombFilter* const* combs, const float* __restrict u,
                           float (*__restrict perComb)[chunkFrames], int frames,
                           const ShortLanes& lanesOf) noexcept
{
    const int blocks = lanesOf.blocks;
    v8sf uv[2];
    for (int h = 0; h < blocks; ++h)
        load8(uv[h], u + 8 * h);
    for (int k = 0; k < lanes; ++k) {
        CombFilter& c = *combs[k];
        const float* __restrict stores = perComb[k];
        if (allFit || c.index + 8 * blocks <= c.size) {
            for (int h = 0; h < blocks; ++h) {
                float* slot = c.line + c.index + 8 * h;
                v8sf old, s;
                load8(old, slot);
                load8(s, stores + 8 * h);
                const v8sf next = uv[h] + s * c.feedback;
                store8(slot, lanesOf.live[h] ? next : old);
            }
        } else {
            for (int j = 0; j < frames; ++j) {
                int at = c.index + j;
                if (at >= c.size) at -= c.size;
                c.line[at] = u[j] + stores[j] * c.feedback;
            }
        }
        c.index += frames;
        if (!allFit && c.index >= c.size) c.index -= c.size;
        c.store = stores[frames - 1];
    }
}

// runAllpass over such a chunk: where the padded stretch lies inside the line, whole vectors
// (the padding lanes write back the line values they hold); otherwise runAllpass itself.
template <bool allFit>
inline void allpassShort(AllpassFilter& a, float* __restrict io, int frames,
                         const ShortLanes& lanesOf) noexcept
{
    if (!allFit && a.index + 8 * lanesOf.blocks > a.size) {
        runAllpass(a, io, frames);
        return;
    }
    float* __restrict line = a.line + a.index;
    for (int h = 0; h < lanesOf.blocks; ++h) {
        v8sf b, x;
        load8(b, line + 8 * h);
        load8(x, io + 8 * h);
        const v8sf next = x + b * a.feedback;
        store8(line + 8 * h, lanesOf.live[h] ? next : b);
        store8(io + 8 * h, b - x);
    }
    a.index += frames;
    if (!allFit && a.index >= a.size) a.index -= a.size;
}

// One chunk's wet paths and its wet filtering and mixing: both wet paths pass their
// high-pass and then their low-pass and are mixed with the dry input in place.
struct WetJob {
    BiquadFilter* filters[4]; // left high-pass, right high-pass, left low-pass, right low-pass
    float* wetL = nullptr;
    float* wetR = nullptr;
    float* left = nullptr;
    float* right = nullptr;
    int frames = 0;
    float w1 = 0.0f, w2 = 0.0f, dry = 0.0f, trim = 0.0f;
    float damp1 = 0.0f;       // the damping coefficient of every comb
    bool flushStores = false; // the block's first chunk clears tiny comb damping states
    int room = 0;             // a short chunk's lineRoom: the fewest frames before a line wraps
};

// Runs the whole chain over a chunk no longer than the shortest comb line, so every comb
// line slot read in the chunk is written back only after it has been read.
//
// A comb's output at a frame is its line sample, known before the chunk starts; only the
// line writes depend on the comb's damping state. So the comb outputs are summed into the
// wet paths (in comb order) and the wet paths pass the all-passes first; then the damping
// recursion of all sixteen combs (two eight-lane vectors, one frame per step, on a
// frame-major copy of the damped line outputs) runs interleaved with the wet filters, two
// chains of dependent arithmetic that on their own would leave the processor idle; last,
// the lines are written back. Every sample gets the same operations in the same order as
// the per-sample steps of CombFilter, AllpassFilter and BiquadFilter.
ORVANE_UNIT_LOOP
void runChunk(CombFilter* const* combs, AllpassFilter* allpassL, AllpassFilter* allpassR,
              const float* __restrict u, const WetJob& job) noexcept
{
    float* __restrict wetL = job.wetL;
    float* __restrict wetR = job.wetR;
    const int frames = job.frames;
    alignas(32) float perComb[lanes][chunkFrames];  // comb-major
    alignas(32) float perFrame[chunkFrames][lanes]; // frame-major
    const int blocks = (frames + 7) / 8;

    const bool isShort = frames <= Reverb::shortFrames;
    const ShortLanes& lanesOf = shortLanes[static_cast<std::size_t>(isShort ? frames : 0)];
    // Usually no line's end lies within a short chunk's padded stretch: one test over all of
    // them spares the test per line and the wrap of each index.
    const bool allFit = isShort && job.room > 8 * lanesOf.blocks;
    if (isShort)
        allFit ? gatherShort<true>(combs, wetL, wetR, perComb, frames, lanesOf)
               : gatherShort<false>(combs, wetL, wetR, perComb, frames, lanesOf);
    else
        for (int k = 0; k < lanes; ++k) {
            const CombFilter& c = *combs[k];
            float* __restrict acc = k < Reverb::numCombs ? wetL : wetR;
            float* __restrict damped = perComb[k];
            const bool first = k % Reverb::numCombs == 0;
            const float d2 = c.damp2;
            int index = c.index;
            int n = 0;
            while (n < frames) {
                const int stretch = std::min(frames - n, c.size - index);
                const float* __restrict y = c.line + index;
                float* __restrict a = acc + n;
                if (first)
                    for (int j = 0; j < stretch; ++j)
                        a[j] = y[j];
                else
                    for (int j = 0; j < stretch; ++j)
                        a[j] = a[j] + y[j];
                for (int j = 0; j < stretch; ++j)
                    damped[n + j] = y[j] * d2;
                n += stretch;
                index += stretch;
                if (index >= c.size) index = 0;
            }
            for (int j = frames; j < blocks * 8; ++j)
                damped[j] = 0.0f; // keeps the unused tail of the last block defined
        }
    for (int b = 0; b < blocks; ++b)
        for (int h = 0; h < 2; ++h)
            transpose8(&perComb[8 * h][8 * b], chunkFrames, &perFrame[8 * b][8 * h], lanes);

    static_assert(lanes == 16, "the recursion runs in two vectors of eight lanes");
    v8sf s0, s1;
    for (int k = 0; k < 8; ++k) {
        s0[k] = combs[k]->store;
        s1[k] = combs[k + 8]->store;
    }
    // Every comb damps with the same coefficient (updateGains gives each the reverb's).
    const v8sf d0 = v8sf{} + job.damp1, d1 = d0;
    if (job.flushStores) {
        flushTiny(s0);
        flushTiny(s1);
    }
    for (int k = 0; k < Reverb::numAllpasses; ++k)
        if (isShort) {
            allFit ? allpassShort<true>(allpassL[k], wetL, frames, lanesOf)
                   : allpassShort<false>(allpassL[k], wetL, frames, lanesOf);
            allFit ? allpassShort<true>(allpassR[k], wetR, frames, lanesOf)
                   : allpassShort<false>(allpassR[k], wetR, frames, lanesOf);
        } else {
            runAllpass(allpassL[k], wetL, frames);
            runAllpass(allpassR[k], wetR, frames);
        }

    const auto recurse = [&](int n) {
        v8sf t0, t1;
        load8(t0, &perFrame[n][0]);
        load8(t1, &perFrame[n][8]);
        s0 = t0 + s0 * d0;
        s1 = t1 + s1 * d1;
        store8(&perFrame[n][0], s0);
        store8(&perFrame[n][8], s1);
    };
    // The wet filters, with the comb recursion in the same loop.
    biquad_cascade::run(job.filters, wetL, wetR, frames, recurse);
    {
        float* __restrict left = job.left;
        float* __restrict right = job.right;
        const float w1 = job.w1, w2 = job.w2, dry = job.dry, trim = job.trim;
        for (int n = 0; n < frames; ++n) {
            const float l = wetL[n], r = wetR[n];
            const float xL = left[n], xR = right[n];
            left[n] = l * w1 + r * w2 + xL * dry;
            right[n] = (r * w1 + l * w2) * trim + xR * dry;
        }
    }
    for (int b = 0; b < blocks; ++b)
        for (int h = 0; h < 2; ++h)
            transpose8(&perFrame[8 * b][8 * h], lanes, &perComb[8 * h][8 * b], chunkFrames);

    if (isShort) {
        allFit ? writeBackShort<true>(combs, u, perComb, frames, lanesOf)
               : writeBackShort<false>(combs, u, perComb, frames, lanesOf);
        return;
    }
    for (int k = 0; k < lanes; ++k) {
        CombFilter& c = *combs[k];
        const float* __restrict stores = perComb[k];
        const float fb = c.feedback;
        int index = c.index;
        int n = 0;
        while (n < frames) {
            const int stretch = std::min(frames - n, c.size - index);
            float* __restrict line = c.line + index;
            for (int j = 0; j < stretch; ++j)
                line[j] = u[n + j] + stores[n + j] * fb;
            n += stretch;
            index += stretch;
            if (index >= c.size) index = 0;
        }
        c.index = index;
        c.store = stores[frames - 1];
    }
}

} // namespace

Reverb::Reverb()
{
    for (int k = 0; k < numCombs; ++k) {
        combOrder[k] = &combL[k];
        combOrder[numCombs + k] = &combR[k];
    }
    setSampleRate(0.0f);
}

int Reverb::lineSize(float sr, int tuning) noexcept
{
    return static_cast<int>(sr / 44100.0f * static_cast<float>(tuning) + 0.5f);
}

void Reverb::setSampleRate(float sr)
{
    if (!(sr >= 0.0f) || !std::isfinite(sr)) return;
    const float lineRate = std::min(sr, maxLineRate);
    int sizes[numLines];
    int total = 0;
    for (int i = 0; i < numLines; ++i) {
        sizes[i] = lineSize(lineRate, tunings[i]);
        total += sizes[i];
    }
    storage.reset();
    storageSize = 0;
    sampleRate = 0.0f;
    // At very low rates a line could round to 0 samples; such a tank cannot run.
    const bool usable = sr > 0.0f && *std::min_element(sizes, sizes + numLines) > 0;
    if (usable) {
        storage.reset(new (std::nothrow) float[static_cast<size_t>(total)]);
        if (storage) {
            storageSize = total;
            sampleRate = sr;
        }
    }
    float* p = storage.get();
    for (int i = 0; i < numLines; ++i) {
        const int size = storage ? sizes[i] : 0;
        float* line = storage ? p : nullptr;
        if (i < 2 * numCombs) {
            CombFilter& c = (i % 2 == 0) ? combL[i / 2] : combR[i / 2];
            c.line = line;
            c.size = size;
        } else {
            const int k = (i - 2 * numCombs) / 2;
            AllpassFilter& a = (i % 2 == 0) ? allpassL[k] : allpassR[k];
            a.line = line;
            a.size = size;
            a.feedback = 0.5f;
        }
        if (storage) p += sizes[i];
    }
    shortestComb = storage ? *std::min_element(sizes, sizes + 2 * numCombs) : 0;
    width = 1.0f;
    updateGains();
    if (sampleRate > 0.0f) {
        // At very low rates the fixed corners would lie above Nyquist; the design holds them
        // below it.
        lowPassL.setLowPass(sampleRate, lowPassHz, octaves, false);
        lowPassR.setLowPass(sampleRate, lowPassHz, octaves, false);
        highPassL.setHighPass(sampleRate, highPassHz, octaves, false);
        highPassR.setHighPass(sampleRate, highPassHz, octaves, false);
    }
    reset();
}

void Reverb::reset() noexcept
{
    for (CombFilter* side : {combL, combR})
        for (int k = 0; k < numCombs; ++k) {
            side[k].store = 0.0f;
            side[k].index = 0;
        }
    for (AllpassFilter* side : {allpassL, allpassR})
        for (int k = 0; k < numAllpasses; ++k)
            side[k].index = 0;
    if (storage) std::fill_n(storage.get(), storageSize, 0.0f);
    framesSinceProbe = probeInterval;
    lineRoom = 0;
    // The high-pass histories are kept on purpose: only the low-passes restart. A history that
    // is no longer finite is cleared all the same, or it would never leave the wet path.
    lowPassL.clearState();
    lowPassR.clearState();
    for (BiquadFilter* f : {&highPassL, &highPassR})
        if (!std::isfinite(f->x1 + f->x2 + f->y1 + f->y2)) f->clearState();
}

void Reverb::clear() noexcept
{
    reset();
    highPassL.clearState();
    highPassR.clearState();
}

void Reverb::updateGains() noexcept
{
    wet1 = wet * (width * 0.5f + 0.5f);
    wet2 = wet * (1.0f - width) * 0.5f;
    gain = 0.015f;
    feedbackInUse = roomSize;
    dampInUse = damp;
    for (CombFilter* side : {combL, combR})
        for (int k = 0; k < numCombs; ++k) {
            side[k].feedback = feedbackInUse;
            side[k].damp1 = dampInUse;
            side[k].damp2 = 1.0f - dampInUse;
        }
}

void Reverb::setRoomSize(float v) noexcept
{
    v = limitTo(v, 0.0f, 1.0f);
    if (v <= 0.5f) {
        sizeTrim = 1.0f;
    } else {
        const float t = (v - 0.5f) * 2.0f;
        sizeTrim = 1.0f - t + t * 0.85f;
    }
    roomSize = v * 0.28f + 0.7f;
    updateGains();
}

void Reverb::setDamp(float v) noexcept
{
    damp = limitTo(v, 0.0f, 1.0f) * 0.4f;
    updateGains();
}

void Reverb::setWet(float v) noexcept
{
    wet = limitTo(v, 0.0f, 1.0f) * 3.0f;
    updateGains();
}

void Reverb::setDry(float v) noexcept
{
    dry = limitTo(v, 0.0f, 1.0f) * 2.0f;
}

void Reverb::process(float* left, float* right, int frames) noexcept
{
    if (sampleRate == 0.0f || !storage || frames <= 0) return;
    highPassL.guardOutput();
    highPassR.guardOutput();
    lowPassL.guardOutput();
    lowPassR.guardOutput();
    // The probe runs at most once per probeInterval frames: hosts that call with a few
    // frames at a time would otherwise pay it on every call, and a tail that decays into
    // denormals is just as well caught a few blocks later.
    if (framesSinceProbe >= probeInterval) {
        clearDenormalLines();
        framesSinceProbe = 0;
    }
    framesSinceProbe += frames;
    // A chunk never exceeds the shortest comb line (see runChunk); at very low rates
    // that is below the usual chunk length.
    const int chunk = std::min(chunkFrames, shortestComb);

    alignas(32) float u[chunkFrames];
    alignas(32) float wetL[chunkFrames];
    alignas(32) float wetR[chunkFrames];
    WetJob job;
    job.filters[0] = &highPassL;
    job.filters[1] = &highPassR;
    job.filters[2] = &lowPassL;
    job.filters[3] = &lowPassR;
    job.wetL = wetL;
    job.wetR = wetR;
    job.w1 = wet1;
    job.w2 = wet2;
    job.dry = dry;
    job.trim = sizeTrim;
    job.damp1 = dampInUse;
    for (int start = 0; start < frames; start += chunk) {
        const int n = std::min(chunk, frames - start);
        job.left = left + start;
        job.right = right + start;
        job.frames = n;
        job.flushStores = start == 0;
        // The fewest frames any line can move on before its index wraps. Every index moves on
        // by the same frames per chunk, so the count only needs looking up again once a line
        // may have wrapped.
        if (n <= shortFrames) {
            if (lineRoom <= 0) lineRoom = roomBeforeWrap();
            job.room = lineRoom;
        }
        for (int i = 0; i < n; ++i)
            u[i] = (job.left[i] + job.right[i]) * gain;
        for (int i = n; i < 16 && i % 8 != 0; ++i)
            u[i] = 0.0f; // the unused lanes a short chunk's last vector reads
        runChunk(combOrder, allpassL, allpassR, u, job);
        // Exact while it stays above 0 (no index has wrapped); otherwise unknown.
        lineRoom = lineRoom > n ? lineRoom - n : 0;
    }
}

int Reverb::roomBeforeWrap() const noexcept
{
    int room = combL[0].size - combL[0].index;
    for (int k = 0; k < numCombs; ++k)
        room = std::min({room, combL[k].size - combL[k].index, combR[k].size - combR[k].index});
    for (int k = 0; k < numAllpasses; ++k)
        room = std::min({room, allpassL[k].size - allpassL[k].index, allpassR[k].size - allpassR[k].index});
    return room;
}

ORVANE_UNIT_LOOP
void Reverb::processFrame(float& left, float& right) noexcept
{
    lineRoom = 0; // the indices move on here without process knowing
    const float xL = left, xR = right, u = (xL + xR) * gain;
    float l = combL[0].process(u), r = combR[0].process(u);
    for (int k = 1; k < numCombs; ++k) {
        l += combL[k].process(u);
        r += combR[k].process(u);
    }
    for (int k = 0; k < numAllpasses; ++k) {
        l = allpassL[k].process(l);
        r = allpassR[k].process(r);
    }
    l = lowPassL.processSample(highPassL.processSample(l));
    r = lowPassR.processSample(highPassR.processSample(r));
    left = l * wet1 + r * wet2 + xL * dry;
    right = (r * wet1 + l * wet2) * sizeTrim + xR * dry;
}

void Reverb::clearDenormalLines() noexcept
{
    // Once per block (at most once per probeInterval frames), only the sample at each line's current index is tested: a tail that
    // has decayed into denormals there is over, and the whole line is cleared. It runs at the
    // start of a block on what the block before left, which is the same as running at the end
    // of that block (nothing touches the lines in between), and is cheaper: the samples it
    // fetches are the first ones the block then reads. They are fetched all at once, since
    // each is usually a cache miss. Tiny comb damping states are cleared by the block's first
    // chunk, eight at a time.
    // Usually no probe is denormal: one test over all of them decides whether any line needs
    // looking at.
    uint32_t probe[numLines];
    for (int k = 0; k < numCombs; ++k) {
        probe[2 * k] = std::bit_cast<uint32_t>(combL[k].line[combL[k].index]);
        probe[2 * k + 1] = std::bit_cast<uint32_t>(combR[k].line[combR[k].index]);
    }
    for (int k = 0; k < numAllpasses; ++k) {
        probe[2 * numCombs + 2 * k] = std::bit_cast<uint32_t>(allpassL[k].line[allpassL[k].index]);
        probe[2 * numCombs + 2 * k + 1] = std::bit_cast<uint32_t>(allpassR[k].line[allpassR[k].index]);
    }
    uint32_t anyDenormal = 0;
    for (const uint32_t bits : probe)
        anyDenormal |= static_cast<uint32_t>(isDenormal(std::bit_cast<float>(bits)));
    if (!anyDenormal) return;
    for (int k = 0; k < numCombs; ++k) {
        if (isDenormal(std::bit_cast<float>(probe[2 * k]))) std::fill_n(combL[k].line, combL[k].size, 0.0f);
        if (isDenormal(std::bit_cast<float>(probe[2 * k + 1])))
            std::fill_n(combR[k].line, combR[k].size, 0.0f);
    }
    for (int k = 0; k < numAllpasses; ++k) {
        AllpassFilter* pair[2] = {&allpassL[k], &allpassR[k]};
        for (int side = 0; side < 2; ++side)
            if (isDenormal(std::bit_cast<float>(probe[2 * numCombs + 2 * k + side])))
                std::fill_n(pair[side]->line, pair[side]->size, 0.0f);
    }
}
