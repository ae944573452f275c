#include "registration/StoredPassword.h"

namespace StoredPassword {

QString encode(const QString& password, QChar first, QChar second)
{
    if (password.size() <= 3)
        return password;
    return password.at(0) + QString(first) + password.at(1) + second + password.mid(2);
}

QString decode(const QString& stored)
{
    if (stored.size() <= 5)
        return stored;
    return QString(stored.at(0)) + stored.at(2) + stored.mid(4);
}

} // namespace StoredPassword
