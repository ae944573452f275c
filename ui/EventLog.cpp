#include "ui/EventLog.h"

#include "messages/Messages.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

EventLog::EventLog(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    // Status lines are overwritten for as long as the program runs; undo would
    // keep every old text.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLayoutDirection(Qt::RightToLeft);
    // Right-aligned, but the texts themselves read left to right.
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(Qt::AlignRight);
    option.setTextDirection(Qt::LeftToRight);
    document()->setDefaultTextOption(option);
    setPlainText(Messages::initial() + QStringLiteral("\n\n"));
    // Right-aligned lines start at the right edge of the widest one: keep that
    // edge in view, as a right-to-left box does.
    connect(horizontalScrollBar(), &QScrollBar::rangeChanged, this,
            [this](int, int maximum) { horizontalScrollBar()->setValue(maximum); });
}

int EventLog::lineCount() const
{
    return document()->blockCount();
}

QString EventLog::line(int index) const
{
    const QTextBlock block = document()->findBlockByNumber(index);
    return block.isValid() ? block.text() : QString();
}

void EventLog::setLine(int index, const QString& text)
{
    if (index < 0)
        return;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    while (lineCount() <= index)
        end.insertBlock();
    QTextCursor cursor(document()->findBlockByNumber(index));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    emit lineWritten(index, text);
}

void EventLog::appendLine(const QString& text)
{
    // An empty log has one empty line already: the first text goes there.
    if (document()->isEmpty())
        QTextCursor(document()).insertText(text);
    else
        appendPlainText(text);
    emit lineWritten(lineCount() - 1, text);
}
