#pragma once

#include <QString>

// Where the engine is on the session bus, whatever its interfaces.
namespace EngineAddress {
inline const QString serviceName = QStringLiteral("example.kelvane.Kelvane");
inline const QString objectPath = QStringLiteral("/example/kelvane/Kelvane");
} // namespace EngineAddress
