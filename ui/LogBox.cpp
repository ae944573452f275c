#include "ui/LogBox.h"

#include <QAccessible>
#include <QTextBlock>
#include <QTextCursor>

LogBox::LogBox(QWidget* parent, QStringList lines)
    : QPlainTextEdit(parent), m_lines(std::move(lines)), m_boxBehind(!m_lines.isEmpty())
{
    setReadOnly(true);
    // Lines may be overwritten for as long as the program runs; undo would
    // keep every old text.
    setUndoRedoEnabled(false);
    // Nothing is typed into a log: Tab goes on to the next control.
    setTabChangesFocus(true);
}

int LogBox::lineCount() const
{
    return int(m_lines.size());
}

QString LogBox::line(int index) const
{
    return m_lines.value(index);
}

QString LogBox::text() const
{
    return m_lines.join(u'\n');
}

void LogBox::setLine(int index, const QString& text)
{
    if (index < 0)
        return;
    while (lineCount() <= index)
        m_lines.append(QString());
    m_lines[index] = text;
    showLine(index, text);
    announce(text);
    emit lineWritten(index, text);
}

void LogBox::appendLine(const QString& text)
{
    m_lines.append(text);
    if (!isVisible())
        m_boxBehind = true;
    else if (lineCount() == 1) // an empty box has an empty line already
        QTextCursor(document()).insertText(text);
    else
        appendPlainText(text);
    announce(text);
    emit lineWritten(lineCount() - 1, text);
}

// A screen reader speaks what is typed into the control that has the focus;
// the log's news is told to it apart, politely, leaving the focus where it is.
void LogBox::announce(const QString& text)
{
    if (!isVisible() || hasFocus() || text.isEmpty())
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(this, text);
#else
    // Before Qt 6.8 there is no announcement: the news goes out as the log's
    // value, which a screen reader may read without moving the focus.
    QAccessibleValueChangeEvent event(this, text);
#endif
    QAccessible::updateAccessibility(&event);
}

void LogBox::showLine(int index, const QString& text)
{
    if (!isVisible()) {
        m_boxBehind = true;
        return;
    }
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    while (document()->blockCount() <= index)
        end.insertBlock();
    QTextCursor cursor(document()->findBlockByNumber(index));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

void LogBox::showEvent(QShowEvent* event)
{
    if (m_boxBehind) {
        m_boxBehind = false;
        document()->setPlainText(text());
    }
    QPlainTextEdit::showEvent(event);
}
