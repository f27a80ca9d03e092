// What the user interface tells the host after the editor acted: each case gives the editor's
// notifications during one idle and the parameters before and after it, and the host calls that
// must follow.
#include "lv2/OrvaneLv2UiSync.h"

#include <gtest/gtest.h>

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
    OrvaneLv2UiSync::Parameters p;
    p.fill(0.25f);
    return p;
}

constexpr int cutoff = 10, mixPercent = 8, distOn = 18, firstStep = 52;

// What the editor does during one idle: 'w' a write of value (stored in the parameters when
// index is a stored one); 's' a change of the parameter without a write; 'A' a write of every
// stored parameter; 'J' more writes of value than the journal holds.
struct Op {
    char kind;
    int index = 0;
    float value = 0.0f;
};

TEST(OrvaneLv2UiSync, HandsTheEditorsActionsToTheHost)
{
    const struct {
        const char* what;
        std::vector<std::pair<uint32_t, float>> portEvents; // before the idle: port, port value
        std::vector<Op> duringIdle;
        std::vector<Call> expected; // writes with normalised values, converted to port values below
    } cases[] = {
        {"a program change writes only what changed",
         {},
         {{'s', cutoff, 0.9f}, {'s', distOn, 1.0f}, {'A'}},
         {{'w', cutoff, 0.9f}, {'w', distOn, 1.0f}}},
        {"a paste changes step parameters without writes: they are written after it",
         {},
         {{'w', 359, 1.0f}, {'s', firstStep, 0.5f}, {'s', firstStep + 1, 0.75f}}, // 359: the paste command
         {{'w', firstStep, 0.5f}, {'w', firstStep + 1, 0.75f}}},
        {"more notifications than the journal holds count as a change of many parameters",
         {},
         {{'J', cutoff, 0.5f}},
         {{'w', cutoff, 0.5f}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder host;
        OrvaneLv2UiSync sync(host, defaults());
        for (auto [p, v] : c.portEvents)
            sync.portEvent(p, v);
        OrvaneLv2UiSync::Parameters p = defaults();
        sync.beginAction(p);
        for (const Op& op : c.duringIdle) {
            const bool isStored = op.index < OrvaneLv2UiSync::stored;
            for (std::size_t n = 0; n <= (op.kind == 'J' ? OrvaneLv2UiSync::journalCapacity : 0); ++n) {
                if ((op.kind == 'w' || op.kind == 'J' || op.kind == 's') && isStored) p[op.index] = op.value;
                if (op.kind == 'w' || op.kind == 'J') sync.written(op.index, op.value);
            }
            for (int i = 0; op.kind == 'A' && i < OrvaneLv2UiSync::stored; ++i)
                sync.written(i, p[i]);
        }
        sync.endAction(p);
        std::vector<Call> expected = c.expected;
        for (Call& e : expected)
            if (e.kind == 'w') e.value = OrvaneLv2Ports::valueMapOf(static_cast<int>(e.port)).toHost(e.value);
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
