#include "app/StatusWatch.h"

#include "app/WindowSet.h"
#include "portmap/MappingLine.h"
#include "ui/EventLog.h"

#include <QLineEdit>

namespace {

QString mappingKey(const QString& line)
{
    const auto ports = MappingLine::ports(line);
    return ports ? QString::number(ports->publicPort) + u' ' + ports->protocol : line;
}

QString resultOf(LoginExchange::ReplyKind kind)
{
    switch (kind) {
    case LoginExchange::ReplyKind::Success:
        return QStringLiteral("registered");
    case LoginExchange::ReplyKind::Disabled:
        return QStringLiteral("disabled");
    case LoginExchange::ReplyKind::NotRegistered:
        return QStringLiteral("not-registered");
    case LoginExchange::ReplyKind::Unrecognised:
        break;
    }
    return {};
}

} // namespace

StatusWatch::StatusWatch(WindowSet& windows, const QString& statusPath)
    : m_windows(windows), m_file(statusPath)
{
    TForm1& form = windows.Form1;
    QObject::connect(&windows.session, &Session::loginReplied, &form,
                     [this](const QString& domain, LoginExchange::ReplyKind kind,
                            const QString& resolvedAddress) { onLoginReply(domain, kind, resolvedAddress); });
    MappingKeeper& keeper = windows.mappingKeeper;
    QObject::connect(&keeper, &MappingKeeper::mappingAdded, &keeper, [this](const QString& line) {
        m_status.mappings.insert(mappingKey(line), line);
        update();
    });
    QObject::connect(&keeper, &MappingKeeper::mappingDeleted, &keeper, [this](const QString& line) {
        m_status.mappings.remove(mappingKey(line));
        update();
    });
    QObject::connect(&keeper, &MappingKeeper::logged, &keeper, [this] { update(); });
    QObject::connect(form.dlrz, &EventLog::lineWritten, &form, [this] { update(); });
    update();
}

void StatusWatch::onLoginReply(const QString& domain, LoginExchange::ReplyKind kind,
                               const QString& resolvedAddress)
{
    const QString result = resultOf(kind);
    if (result.isEmpty())
        return;
    const bool registered = kind == LoginExchange::ReplyKind::Success;
    m_status.logins.insert(domain, {QDateTime::currentDateTime(), registered, result});
    if (registered)
        m_status.publishedAddress = resolvedAddress;
    update();
}

void StatusWatch::update()
{
    const TForm1& form = m_windows.Form1;
    const MappingKeeper& keeper = m_windows.mappingKeeper;
    m_status.publicAddress = form.Edit1;
    const QString router = keeper.routerName();
    m_status.router = router.isEmpty() ? QString() : router + QStringLiteral(" at ") + keeper.routerAddress();
    const QString external = m_windows.session.routerExternalAddress();
    m_status.routerExternalAddress = external == QStringLiteral("0.0.0.0") ? QString() : external;
    m_file.write(m_status.text());
}
