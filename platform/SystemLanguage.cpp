#include "platform/SystemLanguage.h"

int languageIdForLocale(const QLocale& locale)
{
    if (locale.language() != QLocale::Chinese)
        return LanguageId::Other;
    switch (locale.territory()) {
    case QLocale::China:
        return LanguageId::SimplifiedChinese;
    case QLocale::Taiwan:
        return LanguageId::TraditionalChineseTaiwan;
    case QLocale::HongKong:
        return LanguageId::TraditionalChineseHongKong;
    default:
        return LanguageId::Other;
    }
}

int LocaleSystemLanguage::languageId() const
{
    return languageIdForLocale(QLocale::system());
}
