#pragma once

#include "portmap/MappingLine.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// What the mapping keeper asks of a router, in one protocol: find it, read its
// external address, add, delete and look up mappings, list what it holds, and
// hear its announcements. Every answer comes later, by a signal; a call that
// cannot start says so by its return value and reports nothing. The keeper
// keeps the list, the re-apply, the checks and their timers; a mapper keeps
// only what its protocol needs (renewals of leases, the task under way).
class RouterMapper : public QObject
{
    Q_OBJECT

public:
    // How an add ended, in words no protocol owns.
    struct AddResult
    {
        enum class Kind
        {
            Added,
            HeldByOther,      // another host holds the port: `holder`, and `text` saying so
            OtherPortOffered, // the router gave `offeredPort` instead of the one asked for
            Refused,          // the router's own error: `code`, `text`, and `reason` in English
            Failed,           // no usable answer; `answered` false when none came at all
            NotStarted,       // the router's client took no add now
            Abandoned,        // the router was given up while the add was under way
        };
        Kind kind = Kind::Failed;
        QString holder;
        QString text;
        int code = 0;
        QString reason;
        int offeredPort = 0;
        bool answered = true;

        static AddResult of(Kind kind)
        {
            AddResult result;
            result.kind = kind;
            return result;
        }
    };

    // What the router holds at one public port, as the 5-minute check asks.
    struct Entry
    {
        enum class Kind
        {
            Held,        // `internalClient`, `internalPort` and `description` say where it leads
            NoSuchEntry, // the router holds nothing there
            Unknown,     // no answer, or one that tells nothing
        };
        Kind kind = Kind::Unknown;
        QString internalClient;
        int internalPort = 0;
        QString description;
    };

    // A restart the router announced, by what it asks of the keeper.
    enum class Announcement
    {
        Nothing,
        Restarted, // its mappings must be looked at
        Moved,     // it must be found again first
    };

    // The steps of an IPv6 pinhole: an inbound opening to one port of this
    // machine's own global address, beside the mapping of its IPv4 port.
    enum class PinholeStep
    {
        Add,
        Renew,
        Remove,
    };

    // What the router is told each mapping is for, where it keeps a description.
    static inline const QString mappingDescription = QStringLiteral("TestUDP");

    using QObject::QObject;

    // "UPnP", "PCP" or "NAT-PMP": what the status, the log and the bus call it.
    virtual QString protocol() const = 0;
    // Its model name (empty when the protocol names none), and its address.
    virtual QString name() const = 0;
    virtual QString address() const = 0;
    // The log's line once this router is taken; empty for one that says its
    // own lines while it is looked for.
    virtual QString foundLine() const { return {}; }
    // This machine's address towards the router; empty while unknown.
    virtual QString localAddress() const = 0;
    // A client that runs one exchange at a time is in one: the keeper's next
    // request waits for `idle`.
    virtual bool busy() const = 0;

    // Starts looking for the router: `found` or `foundWithAddress`, or
    // `notFound`. False when it cannot start.
    virtual bool find() = 0;
    // From the first answer until the router is found or none is.
    virtual bool finding() const = 0;
    // Gives the router up: a search or question under way is forgotten.
    virtual void stop() = 0;
    // The machine's addresses changed: listeners join their groups again.
    virtual void networkChanged() = 0;

    virtual void requestExternalAddress() = 0;
    // Ends by `addEnded`, which may come before the call returns.
    // `thisMachine`: where the keeper's own mappings lead.
    virtual bool add(const MappingLine::Ports& mapping, const QString& internalClient,
                     const QString& thisMachine) = 0;
    // Ends by `removeEnded`.
    virtual bool remove(const MappingLine::Ports& mapping) = 0;
    // Lets a mapping the router gave unasked go, reporting nothing.
    virtual void release(const MappingLine::Ports& mapping) = 0;
    // Whether `lookUp` works here; a router that cannot tell gets `retry` for
    // the ports other hosts held instead.
    virtual bool canLookUp() const = 0;
    // Ends by `lookedUp`.
    virtual bool lookUp(const MappingLine::Ports& mapping) = 0;
    // Asks again, quietly, for a port another host held: `mappedAgain` tells.
    virtual void retry(const MappingLine::Ports& mapping) = 0;
    // The lines that show what the router holds, `storedLines` marked; or why there are none.
    virtual void list(const QStringList& storedLines, std::function<void(const QStringList& lines)> done) = 0;

    // Whether the router found opens IPv6 pinholes; a protocol that has no
    // way to says no and refuses every pinhole call.
    virtual bool canPinhole() const { return false; }
    // Each ends by `pinholeEnded`; false when it cannot start now.
    virtual bool addPinhole(const QString& /*protocol*/, int /*localPort*/, const QString& /*address*/,
                            int /*leaseSeconds*/)
    {
        return false;
    }
    // `address`: the pinhole's, which the request must come from.
    virtual bool renewPinhole(int /*id*/, const QString& /*address*/, int /*leaseSeconds*/) { return false; }
    virtual bool removePinhole(int /*id*/, const QString& /*address*/) { return false; }

signals:
    // A line of the search, said once an outage, not once a retry.
    void progress(const QString& line);
    // A line always said.
    void logged(const QString& line);

    // A router answered, before `found`.
    void answered();
    // Ready for requests once the client's handler has returned; its address is asked then.
    void found();
    // Found by an answer that held its external address.
    void foundWithAddress(const QString& address);
    void notFound();
    // A router in use can no longer be asked.
    void lost();

    void externalAddressRead(const QString& address);
    // `answered`: false when the router said nothing at all.
    void externalAddressFailed(bool answered);
    // The router's own answers show that it restarted since it last answered.
    void restartSeen();
    // An announcement of the router, from the router's address only.
    void restartAnnounced(RouterMapper::Announcement announcement);
    // An announcement that only the router's next address answer explains.
    void changeAnnounced();

    void addEnded(const RouterMapper::AddResult& result);
    void removeEnded(bool succeeded);
    void lookedUp(const RouterMapper::Entry& entry);
    // A mapping the router took again by itself (a renewal, or a `retry`):
    // `asked` with the public port it gave.
    void mappedAgain(const MappingLine::Ports& asked, int givenPort);
    // `id`: the router's number of the pinhole added, renewed or removed; -1 after a failed add.
    void pinholeEnded(RouterMapper::PinholeStep step, bool succeeded, int id);
    // An exchange ended and the client is free.
    void idle();
};
