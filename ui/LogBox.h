#pragma once

#include <QPlainTextEdit>
#include <QStringList>

// A read-only log of lines. The lines live here; the text box gets them only
// while it is on screen, since every line it takes is laid out at once, fonts
// and all, and the program spends most of its life hidden in the
// notification area.
class LogBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit LogBox(QWidget* parent = nullptr, QStringList lines = {});

    int lineCount() const;
    QString line(int index) const;
    // Every line, one per text line, as the box shows them.
    QString text() const;
    // Replaces line `index`, adding empty lines first when the log is shorter.
    void setLine(int index, const QString& text);
    void appendLine(const QString& text);

signals:
    // Every text written, for a log without a screen.
    void lineWritten(int index, const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showLine(int index, const QString& text);
    void announce(const QString& text);

    QStringList m_lines;
    bool m_boxBehind; // lines were written while the box was hidden
};
