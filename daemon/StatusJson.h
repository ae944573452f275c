#pragma once

#include <QJsonObject>
#include <QStringList>
#include <QVariantMap>

// `--status --json`: the state of the engine's interface (example.kelvane.Engine2,
// whose property names are the keys) in one stable JSON object for monitors.
// "running", "healthy", "reasons" and "settingsFolder" are always there;
// "engine" holds the interface's properties when the engine answered on the
// session bus, and is null otherwise.
QJsonObject statusJson(bool running, bool healthy, const QStringList& reasons, const QString& settingsFolder,
                       const QVariantMap& engineProperties);
