#include "platform/PageAddress.h"

#include <QRegularExpression>

QString pageAddressForLog(const QString& url)
{
    static const QRegularExpression password(QStringLiteral("([?&;]passwd=)[^&;#]*"),
                                             QRegularExpression::CaseInsensitiveOption);
    QString redacted = url;
    return redacted.replace(password, QStringLiteral("\\1***"));
}
