#include "portmap/MappingPinholes.h"

#include "messages/PinholeMessages.h"
#include "platform/Clock.h"

#include <QSet>

#include <algorithm>
#include <utility>

namespace Text = Messages::Pinholes;

namespace {

// A pinhole that could not be opened is tried again after this, doubled at
// each refusal up to half a lease: a router that will never open it (a port
// below 1024, say) is asked ever more rarely.
constexpr int RetrySeconds = 60;
// A request whose answer never came (its task abandoned) is given up.
constexpr int AnswerSeconds = 60;

QString keyOf(const QString& protocol, int localPort)
{
    return protocol + QLatin1Char(' ') + QString::number(localPort);
}

} // namespace

MappingPinholes::MappingPinholes(Clock& clock, LanguageCode language, std::function<RouterMapper*()> router,
                                 std::function<QString()> address, QObject* parent)
    : QObject(parent), m_clock(clock), m_language(language), m_router(std::move(router)),
      m_address(std::move(address)), m_tick(clock, [this] { tick(); })
{
}

void MappingPinholes::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    for (Entry& entry : m_entries) {
        if (entry.id >= 0)
            m_toRemove.append({std::exchange(entry.id, -1), entry.pinhole.address});
        entry.pinhole.state = State::Opening;
        entry.due = m_clock.now();
    }
    emit changed();
}

void MappingPinholes::setLeaseSeconds(int seconds)
{
    m_leaseSeconds = std::clamp(seconds, 30, 86400);
}

void MappingPinholes::open(const MappingLine::Ports& mapping)
{
    const QString key = keyOf(mapping.protocol, mapping.localPort);
    const auto at = std::find_if(m_entries.begin(), m_entries.end(), [&key](const Entry& entry) {
        return keyOf(entry.pinhole.protocol, entry.pinhole.localPort) == key;
    });
    if (at != m_entries.end()) {
        at->due = m_clock.now();
        return;
    }
    m_entries.append({{mapping.protocol, mapping.localPort, {}, State::Opening}, -1, m_clock.now()});
    if (!m_tick.isRunning())
        m_tick.setInterval(1000);
    emit changed();
}

void MappingPinholes::addressesChanged()
{
    const QDateTime now = m_clock.now();
    for (Entry& entry : m_entries)
        entry.due = std::min(entry.due, now);
}

void MappingPinholes::keepOnly(const QStringList& lines)
{
    QSet<QString> kept;
    for (const QString& line : lines) {
        if (const auto ports = MappingLine::ports(line))
            kept.insert(keyOf(ports->protocol, ports->localPort));
    }
    for (qsizetype index = m_entries.size() - 1; index >= 0; --index) {
        const Pinhole& pinhole = m_entries.at(index).pinhole;
        if (!kept.contains(keyOf(pinhole.protocol, pinhole.localPort)))
            closeEntry(index);
    }
}

void MappingPinholes::closeEntry(qsizetype index)
{
    const Entry entry = m_entries.takeAt(index);
    if (entry.id >= 0) {
        m_toRemove.append({entry.id, entry.pinhole.address});
        emit logged(Text::closed(m_language, entry.pinhole.protocol, entry.pinhole.localPort));
    }
    emit changed();
}

QList<MappingPinholes::Pinhole> MappingPinholes::pinholes() const
{
    QList<Pinhole> shown;
    if (!m_enabled || !m_offered || !m_hasAddress)
        return shown;
    for (const Entry& entry : m_entries)
        shown.append(entry.pinhole);
    return shown;
}

QString MappingPinholes::stateName(State state)
{
    switch (state) {
    case State::Opening:
        return QStringLiteral("opening");
    case State::Open:
        return QStringLiteral("open");
    case State::Failed:
        return QStringLiteral("failed");
    }
    return {};
}

void MappingPinholes::tick()
{
    // Ticks only while a pinhole is wanted or one is still to be closed.
    if (m_entries.isEmpty() && m_toRemove.isEmpty() && !m_waiting) {
        m_tick.setInterval(0);
        return;
    }
    RouterMapper* const router = m_router ? m_router() : nullptr;
    if (!router) {
        if (!m_routerKey.isEmpty())
            forgetIds();
        m_routerKey.clear();
        return;
    }
    if (!sameRouter(*router))
        return;
    if (m_offered != router->canPinhole()) {
        m_offered = !m_offered;
        emit changed();
    }
    if (!m_offered) {
        if (m_enabled && !m_entries.isEmpty() && !std::exchange(m_notOfferedSaid, true))
            emit logged(Text::notOffered(m_language));
        return;
    }
    if (m_waiting && m_waitingSince.secsTo(m_clock.now()) >= AnswerSeconds)
        m_waiting = false;
    if (!m_waiting && !router->busy())
        sendNext(*router);
}

// Pinholes belong to the router that gave them: another one starts afresh.
bool MappingPinholes::sameRouter(RouterMapper& router)
{
    const QString key = router.protocol() + QLatin1Char('|') + router.address();
    if (key == m_routerKey)
        return true;
    forgetIds();
    m_routerKey = key;
    m_notOfferedSaid = false;
    return false;
}

void MappingPinholes::forgetIds()
{
    for (Entry& entry : m_entries) {
        entry.id = -1;
        entry.pinhole.state = State::Opening;
        entry.due = m_clock.now();
    }
    m_toRemove.clear();
    m_waiting = false;
    emit changed();
}

bool MappingPinholes::sendNext(RouterMapper& router)
{
    if (!m_toRemove.isEmpty()) {
        m_waitingFor.clear();
        return waitFor(router.removePinhole(m_toRemove.first().id, m_toRemove.first().address));
    }
    if (!m_enabled)
        return false;
    const QDateTime now = m_clock.now();
    const auto due = std::find_if(m_entries.begin(), m_entries.end(),
                                  [&now](const Entry& entry) { return entry.due <= now; });
    if (due == m_entries.end())
        return false;
    const QString address = m_address ? m_address() : QString();
    setHasAddress(!address.isEmpty());
    if (address.isEmpty()) {
        if (!std::exchange(m_noAddressSaid, true))
            emit logged(Text::noGlobalAddress(m_language));
        return false;
    }
    m_noAddressSaid = false;
    Pinhole& pinhole = due->pinhole;
    m_waitingFor = keyOf(pinhole.protocol, pinhole.localPort);
    m_waitingAddress = address;
    if (due->id >= 0 && pinhole.address == address)
        return waitFor(router.renewPinhole(due->id, pinhole.address, m_leaseSeconds));
    // This machine's address changed: the old pinhole goes, a new one comes.
    if (due->id >= 0)
        m_toRemove.append({std::exchange(due->id, -1), pinhole.address});
    pinhole.address = address;
    return waitFor(router.addPinhole(pinhole.protocol, pinhole.localPort, address, m_leaseSeconds));
}

bool MappingPinholes::waitFor(bool started)
{
    m_waiting = started;
    m_waitingSince = m_clock.now();
    return started;
}

void MappingPinholes::ended(RouterMapper::PinholeStep step, bool succeeded, int id)
{
    using Step = RouterMapper::PinholeStep;
    if (!std::exchange(m_waiting, false))
        return;
    if (step == Step::Remove) {
        // One the router would not delete lapses with its lease.
        m_toRemove.removeIf([id](const Removal& removal) { return removal.id == id; });
        return;
    }
    const auto entry = std::find_if(m_entries.begin(), m_entries.end(), [this](const Entry& candidate) {
        return keyOf(candidate.pinhole.protocol, candidate.pinhole.localPort) == m_waitingFor;
    });
    if (entry == m_entries.end()) {
        // Its line went while the router answered.
        if (step == Step::Add && succeeded)
            m_toRemove.append({id, m_waitingAddress});
        return;
    }
    const QDateTime now = m_clock.now();
    Pinhole& pinhole = entry->pinhole;
    if (succeeded) {
        if (step == Step::Add) {
            entry->id = id;
            emit logged(Text::opened(m_language, pinhole.protocol, pinhole.localPort, pinhole.address));
        }
        entry->due = now.addSecs(m_leaseSeconds / 2);
        entry->refusals = 0;
        setState(*entry, State::Open);
        return;
    }
    if (step == Step::Renew) {
        // Gone from the router (a restart, say): opened again at once.
        entry->id = -1;
        entry->due = now;
        setState(*entry, State::Opening);
        return;
    }
    const int wait = RetrySeconds << std::min(entry->refusals++, 5);
    entry->due = now.addSecs(std::min(wait, m_leaseSeconds / 2));
    if (pinhole.state != State::Failed)
        emit logged(Text::failed(m_language, pinhole.protocol, pinhole.localPort, pinhole.address));
    setState(*entry, State::Failed);
}

void MappingPinholes::setState(Entry& entry, State state)
{
    if (entry.pinhole.state == state)
        return;
    entry.pinhole.state = state;
    emit changed();
}

void MappingPinholes::setHasAddress(bool has)
{
    if (std::exchange(m_hasAddress, has) != has)
        emit changed();
}
