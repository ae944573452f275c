#include "forms/TForm1.h"

#include "settings/SettingsLines.h"

#include <QCheckBox>

// The resolve-to-local and fixed-address boxes exclude each other; only the
// first is stored (settings line 2, mirrored in iptype).
void TForm1::CheckBox5Click()
{
    if (loadingGuard)
        return;
    if (CheckBox5->isChecked())
        CheckBox2->setChecked(false);
    setOn(m_session.settingsLines, SettingsLine::ResolveLocal, CheckBox5->isChecked());
    m_session.iptype = isOn(m_session.settingsLines, SettingsLine::ResolveLocal);
    SaveSettingsLines();
}

void TForm1::CheckBox2Click()
{
    if (CheckBox2->isChecked() && CheckBox5->isChecked())
        CheckBox5->setChecked(false);
}
