#pragma once

#include <QString>

// Picks the text of every run-time message: simplified Chinese, traditional
// Chinese or English. Captions and labels stay simplified Chinese in all three.
enum class LanguageCode
{
    Jt,
    Ft,
    Et
};

// 1028 and 3076 give "ft", 2052 "jt", anything else "et".
LanguageCode languageCodeFor(int languageId);

// "jt", "ft" or "et".
QString languageCodeText(LanguageCode code);

// The text of `language` among the three, each UTF-8.
QString pickText(LanguageCode language, const char* jt, const char* ft, const char* et);
