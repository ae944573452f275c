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

QString pickText(LanguageCode language, const char* jt, const char* ft, const char* et)
{
    switch (language) {
    case LanguageCode::Jt:
        return QString::fromUtf8(jt);
    case LanguageCode::Ft:
        return QString::fromUtf8(ft);
    case LanguageCode::Et:
        break;
    }
    return QString::fromUtf8(et);
}
