#include "portmap/RouterMappingList.h"

#include "portmap/uAutoNAT.h"

#include <utility>

namespace {

constexpr int StepMs = 20;

} // namespace

RouterMappingList::RouterMappingList(TAutoNAT& nat) : m_nat(nat)
{
    m_step.setOnTimer([this] { askNext(); });
}

void RouterMappingList::start(Done done)
{
    m_done = std::move(done);
    m_index = 0;
    m_result = {};
    m_step.setInterval(StepMs);
}

void RouterMappingList::askNext()
{
    if (m_nat.busy() || !m_nat.GetPortMappingAt(m_index))
        return; // the timer asks again
    m_step.setInterval(0);
}

void RouterMappingList::taskEnded(bool succeeded)
{
    if (!running())
        return;
    if (succeeded) {
        m_result.entries.append(*m_nat.mappingEntry());
    } else if (m_nat.fault()) {
        // The router's "no such entry" (713, or another error code some give) ends the list.
        finish(true);
        return;
    } else if (!m_nat.answered()) {
        finish(false);
        return;
    }
    // An entry the router gave but that cannot be read is passed over.
    if (++m_index >= MaxEntries) {
        finish(true);
        return;
    }
    m_step.setInterval(StepMs);
}

void RouterMappingList::finish(bool complete)
{
    m_step.setInterval(0);
    m_result.complete = complete;
    const Done done = std::exchange(m_done, {});
    done(m_result);
}
