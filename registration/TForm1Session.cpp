#include "app/TForm1.h"

#include "registration/StoredPassword.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStackedWidget>

void TForm1::zddrClick()
{
    const QStringList entries = multiUserLines();
    if (Memo4.value(SettingsLine::MultiUser) == QStringLiteral("1") && !entries.isEmpty()) {
        // The entry's domain is what stands before "$$$"; a line without it has none.
        const QString& entry = entries.first();
        const qsizetype separator = entry.indexOf(QStringLiteral("$$$"));
        nameedit->setText(separator < 0 ? QString() : entry.left(separator));
        if (const auto stored = m_platform.keyStore.value(nameedit->text()))
            passedit->setText(StoredPassword::decode(*stored));
    }
    if (nameedit->text().trimmed().isEmpty() || passedit->text().trimmed().isEmpty())
        return;
    if (zddr->isChecked())
        SaveCredentials();
    else
        ClearCredentials();
}

void TForm1::Label8Click()
{
    m_logOrOptions->setCurrentWidget(Panel8);
}

void TForm1::Label9Click()
{
    m_logOrOptions->setCurrentWidget(dlrz);
}
