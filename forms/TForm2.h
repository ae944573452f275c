#pragma once

#include "platform/Platform.h"
#include "platform/Timer.h"
#include "ui/LanguageCode.h"

#include <QWidget>

class TForm1;

// The secondary window: runs the login against the secondary DNS server and is
// never shown. Its fields are plain state.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    // Runs the creation handler before returning; needs the primary window complete.
    TForm2(const Platform& platform, TForm1& form1, QWidget* parent = nullptr);

    QString nameedit;
    QString passedit;
    QString Label5 = QStringLiteral("127.0.0.1   ");
    QString wgip = QStringLiteral("wgip");
    LanguageCode languageCode = LanguageCode::Jt;

    Timer Timer1; // start-up login
    Timer Timer2; // follows the primary window's login button
    Timer Timer5; // follows the primary window's start-up and multi-user login

    void FormCreate();

private:
    Platform m_platform;
    TForm1& m_form1;
};
