#pragma once

#include "platform/WriteResult.h"
#include "portmap/MappingKeeper.h"

#include <QObject>
#include <QStringList>

#include <functional>

// The mapping keeper as the port mapping window sees it, wherever it runs
// (LocalKeeper, or another process on the session bus).
class KeeperView : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QStringList lines() const = 0;
    virtual QString routerLabel() const = 0;
    virtual QString resultLabel() const = 0;
    virtual bool executeEnabled() const = 0;
    virtual bool reapplyEnabled() const = 0;
    virtual QString externalAddress() const = 0;
    virtual QString internalClient() const = 0;

    virtual void execute(const MappingKeeper::Request& request) = 0;
    virtual void reapplyAll() = 0;
    virtual void setLines(const QStringList& lines) = 0;
    virtual void setAddressCheck(bool on, const QString& secondsText) = 0;
    virtual void saveAddressCheckInterval(const QString& secondsText) = 0;
    virtual void listRouterMappings(std::function<void(const QStringList& lines)> done) = 0;

signals:
    void logged(const QString& line);
    // The labels or the enabled actions changed.
    void statusChanged();
    void linesChanged(const QStringList& lines);
    void externalAddressChanged(const QString& address);
    void internalClientChanged(const QString& address);
    void fileWritten(const QString& file, const WriteResult& result);
    void addRefused(const QString& text);
};
