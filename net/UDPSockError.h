#pragma once

#include <QString>

#include <stdexcept>

// Raised by TNMUDP; the text is the endpoint's own message.
class UDPSockError : public std::runtime_error
{
public:
    explicit UDPSockError(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString message() const { return QString::fromStdString(what()); }
};
