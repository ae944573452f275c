#pragma once

#include <QString>

// A multi-user entry's password as kept in the key store: for passwords of
// four characters or more, a random digit follows each of the first two.
namespace StoredPassword {

QString decode(const QString& stored);

} // namespace StoredPassword
