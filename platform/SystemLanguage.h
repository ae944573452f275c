#pragma once

#include <QLocale>

// Windows language identifiers the program distinguishes.
namespace LanguageId {
constexpr int SimplifiedChinese = 2052;
constexpr int TraditionalChineseTaiwan = 1028;
constexpr int TraditionalChineseHongKong = 3076;
constexpr int Other = 1033;
} // namespace LanguageId

// The system's default language identifier.
class SystemLanguage
{
public:
    virtual ~SystemLanguage() = default;
    virtual int languageId() const = 0;
};

// 2052 for mainland China, 1028 for Taiwan, 3076 for Hong Kong, 1033 for anything else.
int languageIdForLocale(const QLocale& locale);

// Reads the process locale (LANG, LC_ALL ...).
class LocaleSystemLanguage final : public SystemLanguage
{
public:
    int languageId() const override;
};
