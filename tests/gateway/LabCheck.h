#pragma once

#include "LabNamespace.h"

#include <cstdio>

// How a lab check reports: a line per step, "ok" or "FAILED", and an exit
// code of 1 once any step failed.
namespace LabCheck {

inline int failures = 0;

inline void expect(bool held, const char* what)
{
    std::printf("%s: %s\n", held ? "ok" : "FAILED", what);
    failures += held ? 0 : 1;
}

// Said as a failure outside the lab's LAN namespace, where a check that
// searches by multicast must not run.
inline bool insideLab()
{
    QString why;
    if (insideLabNamespace(&why))
        return true;
    expect(false, qPrintable("refusing to search for gateways: " + why));
    return false;
}

inline int exitCode()
{
    return failures == 0 ? 0 : 1;
}

} // namespace LabCheck
