#include "settings/InputRefusals.h"

#include "messages/LanguageCode.h"
#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "platform/CodePage.h"
#include "settings/InputRules.h"

namespace InputRefusals {

QString login(const QString& domain, const QString& password, int languageId)
{
    const LanguageCode language = languageCodeFor(languageId);
    if (!InputRules::domainProblem(domain).isEmpty())
        return Messages::domainRefused(language);
    if (!InputRules::passwordProblem(password, languageId).isEmpty())
        return Messages::passwordRefused(language, InputRules::maxPasswordLength,
                                         QString::fromLatin1(CodePage::forLanguage(languageId).name()));
    return {};
}

QString mappingList(const QStringList& lines)
{
    if (!InputRules::listSizeProblem(lines.size()).isEmpty())
        return Messages::PortMapping::listTooLong(InputRules::maxListLines);
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (!InputRules::mappingLineProblem(lines.at(i)).isEmpty())
            return Messages::PortMapping::listLineRefused(int(i + 1));
    return {};
}

} // namespace InputRefusals
