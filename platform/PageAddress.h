#pragma once

#include <QString>

// A page address fit for a log: the value of every "passwd" parameter
// replaced by "***". Pages of the provider carry the password in plain text.
QString pageAddressForLog(const QString& url);
