#include "forms/TForm1.h"

#include "registration/StoredPassword.h"
#include "settings/MultiUserList.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"

#include <QDateTime>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTextBlock>

#include <algorithm>

void TForm1::setListScrollBars()
{
    Memo2->setVerticalScrollBarPolicy(m_session.multiUserLines().size() < 5 ? Qt::ScrollBarAlwaysOff
                                                                            : Qt::ScrollBarAlwaysOn);
    Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TForm1::Label16Click()
{
    QRandomGenerator random(quint32(QDateTime::currentMSecsSinceEpoch()));
    Edit3->setText(Edit3->text().trimmed());
    const QString domain = Edit2->text();
    if (domain.trimmed().isEmpty() || Edit3->text().isEmpty()) {
        appendHistory(Messages::entryNotAdded(languageCode));
        return;
    }
    const auto digit = [&random] { return QChar(u'0' + random.bounded(9)); };
    const QString stored = StoredPassword::encode(Edit3->text(), digit(), digit());
    // The list names only what the store holds: a failed write adds no line.
    const WriteResult written = m_platform.keyStore.setValue(domain, stored);
    reportWriteFailure({}, written);
    if (!written.ok())
        return;
    QStringList lines = m_session.multiUserLines();
    // A domain already listed keeps its line; its password was just replaced.
    if (MultiUserList::indexOfDomain(lines, domain) < 0) {
        lines << MultiUserList::entryLine(domain);
        m_session.setMultiUserLines(lines);
    }
    SaveMultiUserList();
}

void TForm1::Label15Click()
{
    QStringList lines = m_session.multiUserLines();
    QString taken = Memo2->textCursor().block().text();
    if (taken.isEmpty())
        taken = lines.value(0);
    const auto equal = [&taken](const QString& line) {
        return line.compare(taken, Qt::CaseInsensitive) == 0;
    };
    if (const auto found = std::find_if(lines.begin(), lines.end(), equal); found != lines.end())
        lines.erase(found);
    m_session.setMultiUserLines(lines);
    // The list first: a password without its line is harmless, a line without
    // its password is skipped on every pass.
    SaveMultiUserList();
    reportWriteFailure({}, m_platform.keyStore.removeValue(MultiUserList::entryDomain(taken)));
}

void TForm1::Timer7Timer()
{
    Timer7.setInterval(0);
    if (isOff(m_session.settingsLines, SettingsLine::MultiUser))
        return;
    const QStringList lines = m_session.multiUserLines();
    if (listIndex >= lines.size()) {
        armCheckAfterListPass();
        return;
    }
    const QString domain = MultiUserList::entryDomain(lines.at(listIndex));
    ++listIndex;
    const auto stored = m_platform.keyStore.value(domain);
    if (!stored) {
        // One entry without its password must not stop the rest of the list,
        // nor leave its domain beside the previous entry's password.
        appendHistory(Messages::entryPasswordMissing(languageCode, domain));
        Timer7.setInterval(10);
        return;
    }
    nameedit->setText(domain);
    passedit->setText(StoredPassword::decode(*stored));
    Timer8.setInterval(100);
}

void TForm1::Timer8Timer()
{
    Timer8.setInterval(0);
    if (m_platform.localAddress.localAddress() == QStringLiteral("127.0.0.1")) {
        Timer8.setInterval(1000); // no network yet
        return;
    }
    Button1Click();
}
