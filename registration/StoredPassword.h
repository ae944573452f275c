#pragma once

#include <QString>

// A multi-user entry's password as kept in the key store: for passwords of
// four characters or more, a random digit follows each of the first two.
namespace StoredPassword {

// `first` and `second` are the two digits ("0" to "8") to mix in.
QString encode(const QString& password, QChar first, QChar second);

QString decode(const QString& stored);

} // namespace StoredPassword
