#include "ui/StatusPanels.h"

#include "ui/ElidedLabel.h"

StatusPanels::StatusPanels(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    m_panels[0] = new ElidedLabel(this);
    m_panels[0]->setFixedWidth(500);
    m_panels[1] = new QLabel(this);
    m_panels[1]->setFixedWidth(150);
    m_panels[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_panels[1]->setLayoutDirection(Qt::RightToLeft);
    // Status texts can carry what a server sent.
    for (QLabel* panel : m_panels)
        panel->setTextFormat(Qt::PlainText);
    addWidget(m_panels[0]);
    addPermanentWidget(m_panels[1]);
}

QString StatusPanels::panelText(int index) const
{
    return index == 0 || index == 1 ? m_panels[index]->text() : QString();
}

void StatusPanels::setPanelText(int index, const QString& text)
{
    if (index != 0 && index != 1)
        return;
    m_panels[index]->setText(text);
    emit panelTextChanged(index, text);
}
