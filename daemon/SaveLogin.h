#pragma once

#include <QString>

// Stores `domain` and a password read from standard input (without echo on a
// terminal) as the saved login, as ticking "自动登录" does, and says so; the
// exit status of the program: 2 for a domain or password InputRules refuse,
// 1 when another copy runs or the files cannot be written.
int saveLogin(const QString& domain);
