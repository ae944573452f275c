#include "daemon/StatusJson.h"

#include "engine/EngineRecords.h"

#include <QDBusArgument>
#include <QJsonArray>
#include <QJsonValue>

namespace {

QJsonValue jsonOf(const QVariant& value)
{
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return QJsonValue::fromVariant(value);
    const QDBusArgument argument = value.value<QDBusArgument>();
    QJsonArray records;
    if (argument.currentSignature() == QStringLiteral("a(ssssxs)")) {
        for (const LoginRecord& login : qdbus_cast<LoginRecords>(argument))
            records.append(QJsonObject{{"server", login.server},
                                       {"domain", login.domain},
                                       {"state", login.state},
                                       {"address", login.address},
                                       {"lastSuccess", login.lastSuccess},
                                       {"lastError", login.lastError}});
    } else if (argument.currentSignature() == QStringLiteral("a(sqsqsss)")) {
        for (const MappingRecord& mapping : qdbus_cast<MappingRecords>(argument))
            records.append(QJsonObject{{"protocol", mapping.protocol},
                                       {"externalPort", mapping.externalPort},
                                       {"internalClient", mapping.internalClient},
                                       {"internalPort", mapping.internalPort},
                                       {"description", mapping.description},
                                       {"state", mapping.state},
                                       {"reason", mapping.reason}});
    } else if (argument.currentSignature() == QStringLiteral("a(sqss)")) {
        for (const PinholeRecord& pinhole : qdbus_cast<PinholeRecords>(argument))
            records.append(QJsonObject{{"protocol", pinhole.protocol},
                                       {"port", pinhole.port},
                                       {"address", pinhole.address},
                                       {"state", pinhole.state}});
    }
    return records;
}

} // namespace

QJsonObject statusJson(bool running, bool healthy, const QStringList& reasons, const QString& settingsFolder,
                       const QVariantMap& engineProperties)
{
    QJsonObject engine;
    for (auto property = engineProperties.begin(); property != engineProperties.end(); ++property)
        engine.insert(property.key(), jsonOf(property.value()));
    return QJsonObject{{"running", running},
                       {"healthy", healthy},
                       {"reasons", QJsonArray::fromStringList(reasons)},
                       {"settingsFolder", settingsFolder},
                       {"engine", engineProperties.isEmpty() ? QJsonValue() : QJsonValue(engine)}};
}
