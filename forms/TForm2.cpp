#include "forms/TForm2.h"

#include "forms/TForm1.h"
#include "settings/SavedCredentials.h"
#include "settings/SettingsLines.h"
#include "settings/deployment.h"

#include <QCheckBox>

TForm2::TForm2(const Platform& platform, TForm1& form1, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_form1(form1)
{
    setWindowTitle(QStringLiteral("域名解析"));
    nameedit = QString::fromUtf8(deployment::exampleDomain);
    FormCreate();
}

void TForm2::FormCreate()
{
    const auto restored =
        SavedCredentials::restore(m_platform.keyStore.value(SavedCredentials::domainPrefixName),
                                  m_platform.keyStore.value(SavedCredentials::passwordPrefixName),
                                  m_form1.Memo4.value(SettingsLine::Credentials));
    if (restored.outcome == SavedCredentials::Outcome::Restored) {
        nameedit = restored.credentials.domain;
        passedit = restored.credentials.password;
        // The primary window ticked it under the same condition already.
        m_form1.zddr->setChecked(true);
    }
    languageCode = languageCodeFor(m_platform.language.languageId());
    Timer1.setInterval(1000);
}
