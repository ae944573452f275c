#pragma once

#include <QLabel>

// A one-line plain-text label that ends in "…" where its text does not fit,
// and then shows the whole text as its tooltip. text() is always the whole text.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    bool isElided() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
