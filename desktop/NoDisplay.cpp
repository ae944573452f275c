#include "desktop/NoDisplay.h"

#include "platform/Console.h"

#include <QList>
#include <QString>

#include <cstdlib>
#include <utility>

namespace {

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};

QList<HeldMessage> heldMessages;

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        printErrorLine(QStringLiteral("kelvane: no display found; kelvane --headless runs without one"));
        std::_Exit(1);
    }
    heldMessages.append({type, QByteArray(context.category), text});
}

} // namespace

NoDisplayGuard::NoDisplayGuard() : m_previous(qInstallMessageHandler(holdOrEnd)) {}

NoDisplayGuard::~NoDisplayGuard()
{
    qInstallMessageHandler(m_previous);
    for (const HeldMessage& message : std::exchange(heldMessages, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        if (m_previous)
            m_previous(message.type, context, message.text);
    }
}
