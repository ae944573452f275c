#pragma once

#include <QString>

#include <stdexcept>

// Raised by TClientSocket when an OnError handler leaves the error code set.
class SocketError : public std::runtime_error
{
public:
    explicit SocketError(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString message() const { return QString::fromStdString(what()); }
};
