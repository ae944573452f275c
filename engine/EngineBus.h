#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

#include <optional>

class KeeperView;
class LoginsView;
class StatusWatch;

// The engine on the session bus, for the desktop program and for scripts
// (busctl --user introspect example.kelvane.Kelvane /example/kelvane/Kelvane):
// what the windows show, the actions they offer, and a signal for each change.
// Version 1 of the interface; a change that breaks callers gets a new name.
class EngineBus : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.kelvane.Engine1")
    // The logins.
    Q_PROPERTY(QStringList LogLines READ logLines)
    Q_PROPERTY(QString StatusBar READ statusBar)
    Q_PROPERTY(QString Domain READ domain)
    Q_PROPERTY(QString LocalAddress READ localAddress)
    Q_PROPERTY(QString PublishedAddress READ publishedAddress)
    Q_PROPERTY(QStringList MultiUserLines READ multiUserLines)
    Q_PROPERTY(bool AutoLogin READ autoLogin)
    Q_PROPERTY(bool MultiUser READ multiUser)
    Q_PROPERTY(bool ResolveLocal READ resolveLocal)
    Q_PROPERTY(bool FixedAddress READ fixedAddress)
    // The port mappings.
    Q_PROPERTY(QStringList Mappings READ mappings)
    Q_PROPERTY(QString RouterExternalAddress READ routerExternalAddress)
    Q_PROPERTY(QString InternalClient READ internalClient)
    Q_PROPERTY(QString RouterLabel READ routerLabel)
    Q_PROPERTY(QString ResultLabel READ resultLabel)
    Q_PROPERTY(bool ExecuteEnabled READ executeEnabled)
    Q_PROPERTY(bool ReapplyEnabled READ reapplyEnabled)
    // The whole run.
    Q_PROPERTY(QString StatusText READ statusText)
    Q_PROPERTY(QString SettingsFolder READ settingsFolder)

public:
    static const QString interfaceName;

    // `host` is the object registered at the path; the adaptor is its child.
    EngineBus(QObject* host, LoginsView& logins, KeeperView& keeper, StatusWatch& status,
              QString settingsFolder);

    QStringList logLines() const;
    QString statusBar() const;
    QString domain() const;
    QString localAddress() const;
    QString publishedAddress() const;
    QStringList multiUserLines() const;
    bool autoLogin() const;
    bool multiUser() const;
    bool resolveLocal() const;
    bool fixedAddress() const;
    QStringList mappings() const;
    QString routerExternalAddress() const;
    QString internalClient() const;
    QString routerLabel() const;
    QString resultLabel() const;
    bool executeEnabled() const;
    bool reapplyEnabled() const;
    QString statusText() const;
    QString settingsFolder() const { return m_settingsFolder; }

public slots:
    void LogIn(const QString& domain, const QString& password);
    // The login form as the user types it.
    void SetFormCredentials(const QString& domain, const QString& password);
    void SetAutoLogin(bool on);
    void SetMultiUser(bool on);
    void SetRunHidden(bool on);
    void SetResolveLocal(bool on);
    void SetFixedAddress(bool on, const QString& address);
    // The multi-user list.
    void AddListEntry(const QString& domain, const QString& password);
    void RemoveListEntry(const QString& line);
    // A text for the status bar, from a face.
    void ShowStatus(const QString& text);
    // A mapping as the port mapping window's fields give it: "TCP" or "UDP",
    // the public port, the local address and the local port.
    void AddMapping(const QString& protocol, const QString& publicPort, const QString& internalClient,
                    const QString& localPort);
    void DeleteMapping(const QString& protocol, const QString& publicPort, const QString& internalClient,
                       const QString& localPort);
    void ReapplyMappings();
    // The list as the user edited it; saved with the next add or delete.
    void SetMappings(const QStringList& lines);
    void SetAddressCheck(bool on, const QString& seconds);
    void SaveAddressCheckInterval(const QString& seconds);
    // The router's table, one mapping a line; the answer comes when the router has given it.
    QStringList ListRouterMappings(const QDBusMessage& message);
    // Ends the run, as SIGTERM does.
    void Quit();

signals:
    void LogLineSet(int index, const QString& text);
    void LogLineAppended(const QString& text);
    void StatusBarChanged(const QString& text);
    // The domain only: no password is told on the bus.
    void CredentialsChanged(const QString& domain);
    void LocalAddressChanged(const QString& address);
    void PublishedAddressChanged(const QString& address);
    void MultiUserLinesChanged(const QStringList& lines);
    void OptionsChanged(bool autoLogin, bool multiUser, bool resolveLocal, bool fixedAddress);
    void ReloginWanted();
    void LoginUnanswered(const QString& domain);
    void DomainRefused(const QString& domain);
    void PortMappingLogged(const QString& line);
    void MappingsChanged(const QStringList& lines);
    void RouterExternalAddressChanged(const QString& address);
    void InternalClientChanged(const QString& address);
    void MappingStatusChanged(const QString& routerLabel, const QString& resultLabel, bool executeEnabled,
                              bool reapplyEnabled);
    void MappingRefused(const QString& text);
    void MappingFileWriteFailed(const QString& file, const QString& error);
    void StatusTextChanged(const QString& text);

private:
    void tellOptions();

    friend bool publishEngine(QDBusConnection bus, QObject& host);

    LoginsView& m_logins;
    KeeperView& m_keeper;
    StatusWatch& m_status;
    QString m_settingsFolder;
    // Where it is published: late answers go there.
    std::optional<QDBusConnection> m_bus;
};

// A call of one of the engine's methods, for a face to send.
QDBusMessage engineMethodCall(const QString& method, const QVariantList& arguments = {});
// Sends it without waiting: what the call changes comes back as a signal.
void callEngine(QDBusConnection& bus, const QString& method, const QVariantList& arguments = {});
// Delivers the engine's signal `name` to `slot` (SLOT(...)) of `receiver`.
void followEngine(QDBusConnection& bus, const char* name, QObject* receiver, const char* slot);

// Puts `host` (with its EngineBus, and when it is the EngineService, its
// interface too) on `bus` under the engine's name; false, and the run goes
// on without a bus, when there is none or the name is taken.
bool publishEngine(QDBusConnection bus, QObject& host);
