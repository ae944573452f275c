#pragma once

#include "engine/EngineRecords.h"
#include "engine/LoginRecordsWatch.h"
#include "portmap/MappingKeeper.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <deque>
#include <optional>
#include <utility>

class Clock;
class Engine;
class StatusWatch;
struct Platform;

// The engine as a service on the session bus (example.kelvane.Engine2.xml,
// whose generated adaptor calls these members): what it does, in a service's
// words, and the actions a script or a face may ask for. Every argument is
// checked at the door: a refusal is a D-Bus error and changes nothing.
// Changed properties are announced with PropertiesChanged as they change,
// and to a face of this process with propertiesChanged().
class EngineService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_PROPERTY(LoginRecords Logins READ logins)
    Q_PROPERTY(QString Domain READ domain)
    Q_PROPERTY(QString LocalAddress READ localAddress)
    Q_PROPERTY(QString PublishedAddress READ publishedAddress)
    Q_PROPERTY(qlonglong PublishedAt READ publishedAt)
    Q_PROPERTY(QString PublicAddress READ publicAddress)
    Q_PROPERTY(qlonglong PublicAddressSeenAt READ publicAddressSeenAt)
    Q_PROPERTY(QString RouterExternalAddress READ routerExternalAddress)
    Q_PROPERTY(bool CarrierNat READ carrierNat)
    Q_PROPERTY(QString RouterProtocol READ routerProtocol)
    Q_PROPERTY(QString RouterAddress READ routerAddress)
    Q_PROPERTY(QString RouterName READ routerName)
    Q_PROPERTY(bool RouterReachable READ routerReachable)
    Q_PROPERTY(QString RouterState READ routerState)
    Q_PROPERTY(QString InternalClient READ internalClient)
    Q_PROPERTY(QString MappingOutcome READ mappingOutcome)
    Q_PROPERTY(int MappingOutcomeCode READ mappingOutcomeCode)
    Q_PROPERTY(QString MappingOutcomeText READ mappingOutcomeText)
    Q_PROPERTY(bool MappingChangeReady READ mappingChangeReady)
    Q_PROPERTY(bool ReapplyReady READ reapplyReady)
    Q_PROPERTY(MappingRecords Mappings READ mappings)
    Q_PROPERTY(QStringList MappingLines READ mappingLines)
    Q_PROPERTY(PinholeRecords Pinholes READ pinholes)
    Q_PROPERTY(bool IPv6Pinholes READ ipv6Pinholes)
    Q_PROPERTY(bool AutoLogin READ autoLogin)
    Q_PROPERTY(bool MultiUser READ multiUser)
    Q_PROPERTY(bool RunHidden READ runHidden)
    Q_PROPERTY(bool ResolveLocal READ resolveLocal)
    Q_PROPERTY(bool FixedAddressOn READ fixedAddressOn)
    Q_PROPERTY(QString FixedAddress READ fixedAddress)
    Q_PROPERTY(bool AddressCheck READ addressCheck)
    Q_PROPERTY(uint AddressCheckSeconds READ addressCheckSeconds)
    Q_PROPERTY(QStringList MultiUserDomains READ multiUserDomains)
    Q_PROPERTY(QString SettingsFolder READ settingsFolder)
    Q_PROPERTY(QString StartedFor READ startedFor)

public:
    static const QString interfaceName;
    // Of the lines added to a log; those shown in place are kept as they read now.
    static constexpr int keptEvents = 500;

    EngineService(Engine& engine, const StatusWatch& status, const Platform& platform, QString settingsFolder,
                  QObject* parent = nullptr);
    // Puts the engine on `bus` under its name; false, and the run goes on
    // without a bus, when there is none or the name is taken.
    bool publishOn(QDBusConnection bus);

    LoginRecords logins() const { return m_logins.records(); }
    QString domain() const;
    QString localAddress() const { return m_localAddress; }
    QString publishedAddress() const;
    qlonglong publishedAt() const;
    QString publicAddress() const;
    qlonglong publicAddressSeenAt() const;
    QString routerExternalAddress() const;
    bool carrierNat() const;
    QString routerProtocol() const;
    QString routerAddress() const;
    QString routerName() const;
    bool routerReachable() const;
    QString routerState() const;
    QString internalClient() const;
    QString mappingOutcome() const;
    int mappingOutcomeCode() const;
    QString mappingOutcomeText() const;
    bool mappingChangeReady() const;
    bool reapplyReady() const;
    MappingRecords mappings() const;
    QStringList mappingLines() const;
    PinholeRecords pinholes() const;
    bool ipv6Pinholes() const;
    bool autoLogin() const;
    bool multiUser() const;
    bool runHidden() const;
    bool resolveLocal() const;
    bool fixedAddressOn() const;
    QString fixedAddress() const;
    bool addressCheck() const;
    uint addressCheckSeconds() const;
    QStringList multiUserDomains() const;
    QString settingsFolder() const { return m_settingsFolder; }
    QString startedFor() const { return m_forDesktop ? QStringLiteral("desktop") : QStringLiteral("service"); }
    // Started by a desktop face for its own use.
    void setForDesktop(bool on) { m_forDesktop = on; }
    // Whether it is on a bus that is still there.
    bool published() const { return m_bus && m_bus->isConnected(); }
    qsizetype faceCount() const { return m_faces.size(); }

    // The actions, as the adaptor hands them over.
    void LogIn(const QString& domain, const QString& password);
    void SaveLogin(const QString& domain, const QString& password);
    void ForgetLogin();
    void AddListEntry(const QString& domain, const QString& password);
    void RemoveListEntry(const QString& domain);
    void SetAutoLogin(bool on);
    void SetMultiUser(bool on);
    void SetRunHidden(bool on);
    void SetResolveLocal(bool on);
    void SetFixedAddress(bool on, const QString& address);
    void SetAddressCheck(bool on, uint seconds);
    void SetIPv6Pinholes(bool on);
    void AddMapping(const QString& protocol, ushort externalPort, const QString& internalClient,
                    ushort internalPort);
    void DeleteMapping(const QString& protocol, ushort externalPort);
    void ReapplyMappings();
    void WithdrawMappings();
    void SetMappingLines(const QStringList& lines);
    QStringList ListRouterMappings();
    EventRecords RecentEvents(uint count) const;
    void Attach();
    void Quit();

    // Every property by its name in the interface, as they are now.
    QVariantMap properties() const;

signals:
    // A face attached, or one left the bus.
    void facesChanged();
    // The properties that changed, as PropertiesChanged tells them.
    void propertiesChanged(const QVariantMap& changed);
    void Event(qlonglong time, const QString& source, const QString& severity, const QString& text);

private:
    static qlonglong seconds(const QDateTime& time) { return time.isValid() ? time.toSecsSinceEpoch() : 0; }
    // False, with the error sent, when `problem` says why the call is refused.
    bool admitted(const QString& problem);
    void change(const MappingKeeper::Request& request);
    void runWaitingChanges();
    void refuse(const QString& error, const QString& text);
    void record(const QString& source, const QString& severity, const QString& text);
    void announceChanges();

    Engine& m_engine;
    const StatusWatch& m_status;
    Clock& m_clock;
    int m_languageId;
    QString m_settingsFolder;
    std::optional<QDBusConnection> m_bus;
    LoginRecordsWatch m_logins;
    QString m_localAddress;
    QStringList m_applied; // keys ("8080 TCP") of the stored mappings the router took
    QHash<QString, QString> m_refusals; // by key: why the router refused it last
    std::deque<EventRecord> m_events;
    QVariantMap m_announced;
    static constexpr std::size_t maxWaitingChanges = 100;
    std::deque<MappingKeeper::Request> m_waitingChanges;
    // What waits for the list's turn: applied again, or taken off the router.
    enum class ListAction
    {
        Reapply,
        Withdraw,
    };
    std::optional<ListAction> m_listActionWaiting;
    bool m_forDesktop = false;
    QStringList m_faces; // their unique names on the bus
    QDBusServiceWatcher* m_faceWatch = nullptr;
    // Every caller of ListRouterMappings waits for the one listing under way.
    QList<std::pair<QDBusConnection, QDBusMessage>> m_listingCallers;
};
