#include "registration/StoredPassword.h"

namespace StoredPassword {

QString decode(const QString& stored)
{
    if (stored.size() <= 5)
        return stored;
    return QString(stored.at(0)) + stored.at(2) + stored.mid(4);
}

} // namespace StoredPassword
