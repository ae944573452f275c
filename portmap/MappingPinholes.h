#pragma once

#include "messages/LanguageCode.h"
#include "platform/Timer.h"
#include "portmap/MappingLine.h"
#include "portmap/RouterMapper.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class Clock;

// The IPv6 pinholes beside the stored mappings: each local port the router
// mapped gets a pinhole on this machine's global IPv6 address, renewed at
// half its lease, and closed when no line of the list uses the port any
// more. One request at a time, from its own tick and only while the router's
// client is idle, so it never stands in the way of the keeper's own tasks.
// A router that offers none, or a machine without a global IPv6 address,
// gets none.
class MappingPinholes : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Opening,
        Open,
        Failed, // tried again after a while
    };
    struct Pinhole
    {
        QString protocol;
        int localPort = 0;
        QString address;
        State state = State::Opening;
    };

    static constexpr int DefaultLeaseSeconds = 3600;

    // `router`: the router in use while it answers, else none; `address`:
    // this machine's global IPv6 address, empty when it has none.
    MappingPinholes(Clock& clock, LanguageCode language, std::function<RouterMapper*()> router,
                    std::function<QString()> address, QObject* parent = nullptr);

    // Off closes every pinhole; on opens them again for the mapped ports.
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }
    // 30 to 86400 seconds; tests shorten it.
    void setLeaseSeconds(int seconds);

    // The router took the mapping: its local port gets a pinhole, or the one
    // it has is checked by a renewal now (a router that restarted lost it).
    void open(const MappingLine::Ports& mapping);
    // This machine's addresses changed: each pinhole is looked at now, and one
    // whose address went is opened on the new one.
    void addressesChanged();
    // Only the ports of these lines keep their pinholes.
    void keepOnly(const QStringList& lines);
    // The router's answer to the request under way.
    void ended(RouterMapper::PinholeStep step, bool succeeded, int id);

    // The pinholes for the mapped ports; none while the router offers none or
    // this machine has no global IPv6 address.
    QList<Pinhole> pinholes() const;
    static QString stateName(State state);

signals:
    void changed();
    void logged(const QString& line);

private:
    struct Entry
    {
        Pinhole pinhole;
        int id = -1;      // the router's number while open
        QDateTime due;    // the next add or renewal
        int refusals = 0; // adds refused in a row: each waits twice as long
    };

    void tick();
    bool sameRouter(RouterMapper& router);
    bool sendNext(RouterMapper& router);
    bool waitFor(bool started);
    void forgetIds();
    void closeEntry(qsizetype index);
    void setState(Entry& entry, State state);
    void setHasAddress(bool has);

    Clock& m_clock;
    LanguageCode m_language;
    std::function<RouterMapper*()> m_router;
    std::function<QString()> m_address;
    Timer m_tick;
    bool m_enabled = true;
    int m_leaseSeconds = DefaultLeaseSeconds;
    QList<Entry> m_entries;
    struct Removal
    {
        int id = -1;
        QString address;
    };
    QList<Removal> m_toRemove; // pinholes no port needs any more
    QString m_routerKey;       // the router the ids were given by
    bool m_offered = false;
    bool m_hasAddress = false; // this machine had a global IPv6 address when last asked
    bool m_noAddressSaid = false;
    bool m_notOfferedSaid = false;
    // The request under way: which step, and for which entry.
    bool m_waiting = false;
    QDateTime m_waitingSince;
    QString m_waitingFor;
    QString m_waitingAddress;
};
