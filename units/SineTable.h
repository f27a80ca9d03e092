#pragma once

// SineTable: one process-wide table of a sine period, shared by every unit that
// sweeps a sine (the flanger, the ring modulator).
//
// 201 floats: entry i = sin(2 pi i / 200) for i = 0..200; entry 200 repeats entry 0 so
// that interpolation at the last step needs no wrap. The table is created by its first
// user and freed when the last user releases it.
//
// Threading: acquire and release take a lock and may allocate, so call them from
// constructors and destructors only, never from the audio thread. Reading the table
// through a held pointer needs no lock.

class SineTable
{
  public:
    static constexpr int steps = 200; // table steps per period
    static constexpr int size = 201;  // steps + the wrap-around copy

    // Take a reference; the table exists until the matching release.
    static const float* acquire();
    // Give a reference back; the last one frees the table.
    static void release() noexcept;
    // Number of references currently held (for tests and diagnostics).
    static int users() noexcept;

    // RAII holder: takes a reference at construction and releases it at destruction.
    class Reference
    {
      public:
        Reference() : table(acquire()) {}
        ~Reference() { release(); }
        Reference(const Reference&) : table(acquire()) {}
        Reference& operator=(const Reference&) { return *this; }

        const float* get() const noexcept { return table; }
        float operator[](int i) const noexcept { return table[i]; }

      private:
        const float* table;
    };
};
