#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Recorded gateway answers in tests/data/gateway.
inline QByteArray gatewayData(const char* name)
{
    QFile file(QStringLiteral(GATEWAY_DATA_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", name);
    return file.readAll();
}
