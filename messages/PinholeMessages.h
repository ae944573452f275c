#pragma once

#include "messages/LanguageCode.h"

#include <QString>

// The texts of the IPv6 pinholes beside the port mappings.
namespace Messages::Pinholes {

// `protocol` "TCP" or "UDP", `address` this machine's global IPv6 address.
QString opened(LanguageCode language, const QString& protocol, int port, const QString& address);
QString failed(LanguageCode language, const QString& protocol, int port, const QString& address);
QString closed(LanguageCode language, const QString& protocol, int port);
// Said once a router, and once an outage of the address.
QString notOffered(LanguageCode language);
QString noGlobalAddress(LanguageCode language);
// The port mapping window's status line and its check box.
QString summary(LanguageCode language, int open, int wanted);
QString optionCaption(LanguageCode language);

} // namespace Messages::Pinholes
