#include "desktop/DesktopApplication.h"

#include <QDBusMessage>

namespace {

constexpr int activationTimeoutMs = 3000;

} // namespace

const QString DesktopApplication::serviceName = QStringLiteral("example.kelvane.Desktop");
const QString DesktopApplication::objectPath = QStringLiteral("/example/kelvane/Desktop");

DesktopApplication::DesktopApplication(QObject* parent) : QObject(parent)
{
    new DesktopApplicationAdaptor(*this);
}

bool DesktopApplication::publishOn(QDBusConnection bus)
{
    if (!bus.isConnected() || !bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors))
        return false;
    if (!bus.registerService(serviceName)) {
        bus.unregisterObject(objectPath);
        return false;
    }
    return true;
}

bool activateRunningDesktop(const QDBusConnection& bus)
{
    QDBusMessage call = QDBusMessage::createMethodCall(DesktopApplication::serviceName, DesktopApplication::objectPath,
                                                       QStringLiteral("org.freedesktop.Application"),
                                                       QStringLiteral("Activate"));
    call << QVariantMap();
    return bus.call(call, QDBus::Block, activationTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

DesktopApplicationAdaptor::DesktopApplicationAdaptor(DesktopApplication& application)
    : QDBusAbstractAdaptor(&application), m_application(application)
{
}

void DesktopApplicationAdaptor::Activate(const QVariantMap&)
{
    if (m_application.activate)
        m_application.activate();
}

// The program opens no files and has no actions: each shows it all the same.
void DesktopApplicationAdaptor::Open(const QStringList&, const QVariantMap& platformData)
{
    Activate(platformData);
}

void DesktopApplicationAdaptor::ActivateAction(const QString&, const QVariantList&, const QVariantMap& platformData)
{
    Activate(platformData);
}
