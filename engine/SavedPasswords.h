#pragma once

#include <QString>

class KeyStore;

// The password this user's files keep for `domain`: the saved login's, else
// the multi-user list entry's; empty when they keep none. A face reads it
// itself, so that no password need cross the bus.
QString savedPasswordOf(const KeyStore& keyStore, const QString& programFolder, int languageId,
                        const QString& domain);
