// What the user interface tells the host after the editor acted: each case gives the editor's
// notifications during one idle and the parameters before and after it, and the host calls that
// must follow.
#include "lv2/OrvaneLv2UiSync.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

using Kind = char; // 'w' write, 'b' touch begins, 'e' touch ends
struct Call {
    Kind kind;
    uint32_t port;
    float value; // normalised, for writes
    bool operator==(const Call&) const = default;
};

class Recorder : public OrvaneLv2UiSync::Host
{
  public:
    void writePort(uint32_t port, float value) override { calls.push_back({'w', port, value}); }
    void touchPort(uint32_t port, bool grabbed) override
    {
        calls.push_back({grabbed ? 'b' : 'e', port, 0.0f});
    }
    std::vector<Call> calls;
};

OrvaneLv2UiSync::Parameters defaults()
{
    OrvaneLv2UiSync::Parameters p{};
    for (int i = 0; i < OrvaneLv2UiSync::stored; ++i)
        p[i] = 0.25f;
    return p;
}

float port(int index, float normalised)
{
    return OrvaneLv2Ports::valueMapOf(index).toHost(normalised);
}

constexpr int cutoff = 10, mixPercent = 8, distOn = 18, firstStep = 52;

struct Case {
    const char* what;
    // Port events before the idle (port, port value).
    std::vector<std::pair<uint32_t, float>> portEvents;
    std::function<void(OrvaneLv2UiSync&, OrvaneLv2UiSync::Parameters&)> duringIdle;
    std::vector<Call> expected; // writes with normalised values, converted to port values below
};

TEST(OrvaneLv2UiSync, HandsTheEditorsActionsToTheHost)
{
    const std::vector<Case> cases = {
        {"a knob drag: every write inside its gesture, in order",
         {},
         [](OrvaneLv2UiSync& s, OrvaneLv2UiSync::Parameters& p) {
             s.gesture(cutoff, true);
             s.written(cutoff, p[cutoff] = 0.3f);
             s.written(cutoff, p[cutoff] = 0.35f);
             s.gesture(cutoff, false);
         },
         {{'b', cutoff, 0}, {'w', cutoff, 0.3f}, {'w', cutoff, 0.35f}, {'e', cutoff, 0}}},
        {"one write of an unchanged value still reaches the host",
         {},
         [](OrvaneLv2UiSync& s, OrvaneLv2UiSync::Parameters& p) { s.written(distOn, p[distOn]); },
         {{'w', distOn, 0.25f}}},
        {"a program change writes only what changed",
         {},
         [](OrvaneLv2UiSync& s, OrvaneLv2UiSync::Parameters& p) {
             p[cutoff] = 0.9f;
             p[distOn] = 1.0f;
             for (int i = 0; i < OrvaneLv2UiSync::stored; ++i)
                 s.written(i, p[i]);
         },
         {{'w', cutoff, 0.9f}, {'w', distOn, 1.0f}}},
        {"a program change also writes an unchanged parameter whose port holds another value",
         {{mixPercent, 99.0f}},
         [](OrvaneLv2UiSync& s, OrvaneLv2UiSync::Parameters& p) {
             for (int i = 0; i < OrvaneLv2UiSync::stored; ++i)
                 s.written(i, p[i]);
         },
         {{'w', mixPercent, 0.25f}}},
        {"a paste changes step parameters without writes: they are written after it",
         {},
         [](OrvaneLv2UiSync& s, OrvaneLv2UiSync::Parameters& p) {
             s.written(359, 1.0f); // the paste command is an internal parameter
             p[firstStep] = 0.5f;
             p[firstStep + 1] = 0.75f;
         },
         {{'w', firstStep, 0.5f}, {'w', firstStep + 1, 0.75f}}},
        {"gestures and writes of internal parameters never reach the host",
         {},
         [](OrvaneLv2UiSync& s, OrvaneLv2UiSync::Parameters&) {
             s.gesture(345, true);
             s.written(345, 1.0f);
             s.gesture(345, false);
         },
         {}},
        {"without an editor action, a changed parameter is the host's own change: nothing",
         {},
         [](OrvaneLv2UiSync&, OrvaneLv2UiSync::Parameters& p) { p[cutoff] = 0.8f; },
         {}},
        {"a host change that arrived during an action is not echoed",
         {{cutoff, 0.8f}},
         [](OrvaneLv2UiSync& s, OrvaneLv2UiSync::Parameters& p) {
             p[cutoff] = 0.8f;
             s.written(distOn, p[distOn] = 1.0f);
         },
         {{'w', distOn, 1.0f}}},
        {"more notifications than the journal holds count as a change of many parameters",
         {},
         [](OrvaneLv2UiSync& s, OrvaneLv2UiSync::Parameters& p) {
             for (std::size_t n = 0; n <= OrvaneLv2UiSync::journalCapacity; ++n)
                 s.written(cutoff, p[cutoff] = 0.5f);
         },
         {{'w', cutoff, 0.5f}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder host;
        OrvaneLv2UiSync sync(host, defaults());
        for (auto [p, v] : c.portEvents)
            sync.portEvent(p, v);
        OrvaneLv2UiSync::Parameters parameters = defaults();
        sync.beginAction(parameters);
        c.duringIdle(sync, parameters);
        sync.endAction(parameters);
        std::vector<Call> expected = c.expected;
        for (Call& e : expected)
            if (e.kind == 'w') e.value = port(static_cast<int>(e.port), e.value);
        EXPECT_EQ(host.calls, expected);
    }
}

TEST(OrvaneLv2UiSync, WritesDeferredChangesOnlyWhereThePortDiffers)
{
    Recorder host;
    OrvaneLv2UiSync sync(host, defaults());
    sync.portEvent(cutoff, 0.6f);
    sync.deferred(cutoff, 0.6f);                  // the host holds it already
    sync.deferred(distOn, 0.25f);                 // unchanged
    sync.deferred(mixPercent, 0.5f);              // changed: 50 %
    sync.deferred(OrvaneLv2UiSync::stored, 1.0f); // not a port
    EXPECT_EQ(host.calls, (std::vector<Call>{{'w', mixPercent, 50.0f}}));
    sync.deferred(mixPercent, 0.5f); // now known
    EXPECT_EQ(host.calls.size(), 1u);
}

} // namespace
