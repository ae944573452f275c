#include "forms/TForm1.h"

#include "engine/LoginsView.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>

void TForm1::setListScrollBars()
{
    Memo2->setVerticalScrollBarPolicy(m_logins.multiUserLines().size() < 5 ? Qt::ScrollBarAlwaysOff
                                                                          : Qt::ScrollBarAlwaysOn);
    Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TForm1::Label16Click()
{
    Edit3->setText(Edit3->text().trimmed());
    m_logins.addListEntry(Edit2->text(), Edit3->text());
}

// The line that holds the caret; the engine takes the first when it is empty.
void TForm1::Label15Click()
{
    m_logins.removeListEntry(Memo2->textCursor().block().text());
}
