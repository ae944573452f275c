#pragma once

#include "engine/KeeperView.h"

// The mapping keeper of this process, as the port mapping window sees it.
class LocalKeeper : public KeeperView
{
    Q_OBJECT

public:
    explicit LocalKeeper(MappingKeeper& keeper, QObject* parent = nullptr);

    QStringList lines() const override { return m_keeper.lines(); }
    QString routerLabel() const override { return m_keeper.routerLabel(); }
    QString resultLabel() const override { return m_keeper.resultLabel(); }
    bool executeEnabled() const override { return m_keeper.executeEnabled(); }
    bool reapplyEnabled() const override { return m_keeper.reapplyEnabled(); }
    QString externalAddress() const override { return m_keeper.externalAddress(); }
    QString internalClient() const override { return m_keeper.internalClient(); }

    void execute(const MappingKeeper::Request& request) override { m_keeper.execute(request); }
    void reapplyAll() override { m_keeper.reapplyAll(); }
    void setLines(const QStringList& lines) override { m_keeper.setLines(lines); }
    void setAddressCheck(bool on, const QString& secondsText) override { m_keeper.setAddressCheck(on, secondsText); }
    void saveAddressCheckInterval(const QString& secondsText) override
    {
        m_keeper.saveAddressCheckInterval(secondsText);
    }
    void listRouterMappings(std::function<void(const QStringList& lines)> done) override
    {
        m_keeper.listRouterMappings(std::move(done));
    }

private:
    MappingKeeper& m_keeper;
};
