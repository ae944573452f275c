#pragma once

#include <QDateTime>
#include <QWidget>

// The window's clock. A label would tell a screen reader of each new text,
// every second; this one is drawn each second and named to a screen reader
// once a minute.
class ClockLabel : public QWidget
{
    Q_OBJECT

public:
    explicit ClockLabel(QWidget* parent = nullptr);

    // `text` is what is drawn; the name is the time to the minute.
    void showTime(const QDateTime& now, const QString& text);
    QString text() const { return m_text; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
