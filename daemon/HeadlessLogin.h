#pragma once

#include "platform/KeyStore.h"

#include <QString>

// Why a start without a screen, which has nobody to ask, cannot log in: one
// line naming the file at fault and what `program` (kelvaned, kelvane) should
// be run with; empty when the saved login is complete.
QString headlessLoginProblem(const FileKeyStore& keyStore, const QString& programFolder, int languageId,
                             const QString& program);
