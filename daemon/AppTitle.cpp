#include "daemon/AppTitle.h"

#include "platform/SystemLanguage.h"

QString applicationTitle(int languageId)
{
    switch (languageId) {
    case LanguageId::SimplifiedChinese:
    case LanguageId::TraditionalChineseTaiwan:
    case LanguageId::TraditionalChineseHongKong:
        return QStringLiteral("Kelvane2.0");
    default:
        return QStringLiteral("RARA2.0");
    }
}
