#pragma once

#include <QString>

// The application title: "Kelvane2.0" on Chinese systems, "RARA2.0" on every other.
QString applicationTitle(int languageId);
