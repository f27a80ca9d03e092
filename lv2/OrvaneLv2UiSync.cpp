#include "lv2/OrvaneLv2UiSync.h"

OrvaneLv2UiSync::OrvaneLv2UiSync(Host& target, const Parameters& parameters) : host(target)
{
    journal.reserve(journalCapacity);
    for (int i = 0; i < stored; ++i) {
        maps[i] = OrvaneLv2Ports::valueMapOf(i);
        known[i] = maps[i].toHost(parameters[i]);
    }
    before = parameters;
}

void OrvaneLv2UiSync::portEvent(uint32_t port, float value)
{
    if (port < OrvaneLv2Ports::controlCount) known[port] = value;
}

void OrvaneLv2UiSync::beginAction(const Parameters& parameters)
{
    before = parameters;
    journal.clear();
    journalFull = false;
}

void OrvaneLv2UiSync::record(const Entry& entry)
{
    if (journal.size() < journalCapacity)
        journal.push_back(entry);
    else
        journalFull = true;
}

void OrvaneLv2UiSync::written(int index, float normalised)
{
    record({Entry::Kind::write, index, normalised});
}

void OrvaneLv2UiSync::gesture(int index, bool begins)
{
    record({begins ? Entry::Kind::begin : Entry::Kind::end, index, 0.0f});
}

void OrvaneLv2UiSync::endAction(const Parameters& after)
{
    if (journal.empty() && !journalFull) return;
    done.fill(false);
    int firstWritten = -1;
    bool several = journalFull;
    for (const Entry& e : journal)
        if (e.kind == Entry::Kind::write && e.index >= 0 && e.index < stored) {
            if (firstWritten < 0) firstWritten = e.index;
            several = several || e.index != firstWritten;
        }

    for (const Entry& e : journal) {
        const int i = e.index;
        if (i < 0 || i >= stored) continue;
        if (e.kind != Entry::Kind::write)
            host.touchPort(static_cast<uint32_t>(i), e.kind == Entry::Kind::begin);
        else if (!several)
            write(i, e.value);
        else if (!done[i] && (after[i] != before[i] || maps[i].toHost(after[i]) != known[i]))
            write(i, after[i]);
    }
    for (int i = 0; i < stored; ++i)
        if (!done[i] && after[i] != before[i] && maps[i].toHost(after[i]) != known[i]) write(i, after[i]);
    journal.clear();
    journalFull = false;
}

void OrvaneLv2UiSync::deferred(int index, float normalised)
{
    if (index >= 0 && index < stored && maps[index].toHost(normalised) != known[index])
        write(index, normalised);
}

void OrvaneLv2UiSync::write(int index, float normalised)
{
    const float value = maps[index].toHost(normalised);
    known[index] = value;
    done[index] = true;
    host.writePort(static_cast<uint32_t>(index), value);
}
