#pragma once

#include <QStatusBar>

class QLabel;

// Status bar of two panels: 0 (500 pixels) for the status text, 1 (150 pixels,
// right-aligned) for the vendor line.
class StatusPanels : public QStatusBar
{
    Q_OBJECT

public:
    explicit StatusPanels(QWidget* parent = nullptr);

    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);

signals:
    void panelTextChanged(int index, const QString& text);

private:
    QLabel* m_panels[2];
};
