#include "messages/LanguageCode.h"

#include "platform/SystemLanguage.h"

LanguageCode languageCodeFor(int languageId)
{
    if (languageId == LanguageId::TraditionalChineseTaiwan ||
        languageId == LanguageId::TraditionalChineseHongKong)
        return LanguageCode::Ft;
    if (languageId == LanguageId::SimplifiedChinese)
        return LanguageCode::Jt;
    return LanguageCode::Et;
}

QString languageCodeText(LanguageCode code)
{
    switch (code) {
    case LanguageCode::Jt:
        return QStringLiteral("jt");
    case LanguageCode::Ft:
        return QStringLiteral("ft");
    case LanguageCode::Et:
        break;
    }
    return QStringLiteral("et");
}
