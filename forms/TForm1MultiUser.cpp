#include "forms/TForm1.h"

#include "engine/EngineActions.h"
#include "engine/EngineModel.h"
#include "messages/Messages.h"
#include "settings/InputRules.h"
#include "settings/MultiUserList.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>

void TForm1::setListScrollBars()
{
    Memo2->setVerticalScrollBarPolicy(m_model.valueAs<QStringList>("MultiUserDomains").size() < 5 ? Qt::ScrollBarAlwaysOff
                                                                          : Qt::ScrollBarAlwaysOn);
    Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TForm1::Label16Click()
{
    Edit3->setText(Edit3->text().trimmed());
    const QString domain = Edit2->text().trimmed();
    if (!admitsLogin(domain, Edit3->text()))
        return;
    const QStringList domains = m_model.valueAs<QStringList>("MultiUserDomains");
    const bool listed = domains.contains(domain, Qt::CaseInsensitive);
    if (!listed && !InputRules::listSizeProblem(domains.size() + 1).isEmpty()) {
        appendHistory(Messages::listFull(m_language, InputRules::maxListLines));
        return;
    }
    m_actions.addListEntry(domain, Edit3->text());
}

// The line that holds the caret; the engine takes the first when it is empty.
void TForm1::Label15Click()
{
    const QString taken = Memo2->textCursor().block().text();
    const QString domain = taken.isEmpty() ? m_model.valueAs<QStringList>("MultiUserDomains").value(0)
                                           : MultiUserList::entryDomain(taken);
    if (!domain.isEmpty())
        m_actions.removeListEntry(domain);
}
