#pragma once

#include <QLabel>

// A label that acts as a link: underlined, hand cursor, `clicked` on release,
// and, reached with Tab, on Enter or Space, with a dotted frame while it has
// the focus.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
