#pragma once

#include "desktop/EchoFilter.h"
#include "engine/KeeperView.h"

#include <QDBusConnection>
#include <QVariantMap>

// The mapping keeper of another process, on the session bus, as the port
// mapping window sees it: mirrored from one snapshot on, its signals
// followed, the actions sent as calls.
class BusKeeper : public KeeperView
{
    Q_OBJECT

public:
    explicit BusKeeper(QDBusConnection bus, QObject* parent = nullptr);

    // The engine's properties; the signals that came before it are in it.
    void takeSnapshot(const QVariantMap& properties);

    QStringList lines() const override { return m_lines; }
    QString routerLabel() const override { return m_routerLabel; }
    QString resultLabel() const override { return m_resultLabel; }
    bool executeEnabled() const override { return m_executeEnabled; }
    bool reapplyEnabled() const override { return m_reapplyEnabled; }
    QString externalAddress() const override { return m_externalAddress; }
    QString internalClient() const override { return m_internalClient; }

    void execute(const MappingKeeper::Request& request) override;
    void reapplyAll() override;
    void setLines(const QStringList& lines) override;
    void setAddressCheck(bool on, const QString& secondsText) override;
    void saveAddressCheckInterval(const QString& secondsText) override;
    void listRouterMappings(std::function<void(const QStringList& lines)> done) override;

private slots:
    void busLogged(const QString& line);
    void busLinesChanged(const QStringList& lines);
    void busExternalAddressChanged(const QString& address);
    void busInternalClientChanged(const QString& address);
    void busStatusChanged(const QString& routerLabel, const QString& resultLabel, bool executeEnabled,
                          bool reapplyEnabled);
    void busRefused(const QString& text);
    void busFileWriteFailed(const QString& file, const QString& error);

private:
    QDBusConnection m_bus;
    bool m_ready = false;
    QStringList m_lines;
    QString m_routerLabel;
    QString m_resultLabel;
    bool m_executeEnabled = false;
    bool m_reapplyEnabled = false;
    QString m_externalAddress;
    QString m_internalClient;
    EchoFilter<QStringList> m_edited; // the user's own edits of the list
};
