#include "forms/TForm1.h"

#include "forms/AppShell.h"
#include "messages/Messages.h"
#include "net/TNMUDP.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"
#include "settings/deployment.h"
#include "ui/EventLog.h"
#include "ui/ScreenFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSystemTrayIcon>

void TForm1::FormCreate()
{
    advertisementInterval = 1200000;
    advertisementCounter1 = 0;
    advertisementCounter2 = 0;
    listIndex = 0;
    loopbackStatus = QStringLiteral("net");
    primaryServerHost = QStringLiteral("main.") + QString::fromUtf8(deployment::builtInZones.front());
    defaultPrimaryServerHost = primaryServerHost;
    loadingGuard = true;
    statusText.clear();
    m_session.setMultiUserLines({});

    loadSettingsFiles();

    // The guard keeps these ticks from writing the settings back.
    if (isOn(m_session.settingsLines, SettingsLine::MultiUser))
        CheckBox1->setChecked(true);
    if (isOn(m_session.settingsLines, SettingsLine::ResolveLocal)) {
        CheckBox5->setChecked(true);
        m_session.iptype = true;
    }

    SaveSettingsLines();

    languageCode = languageCodeFor(m_platform.language.languageId());

    restoreSavedCredentials();

    Timer2.setInterval(1000);
    Timer1.setInterval(1000);
    Timer3.setInterval(1000);
    Timer14.setInterval(30000);
    Timer13.setInterval(70000);
    Timer10.setInterval(600000);
    Timer3Timer();

    m_shell.OnMinimize = [this] { ApplicationMinimize(); };
}

void TForm1::restoreSavedCredentials()
{
    if (m_session.settingsLines.isEmpty())
        return;
    const auto restored =
        SavedLogin::restore(m_platform.keyStore, m_session.settingsLines.at(SettingsLine::Credentials));
    switch (restored.outcome) {
    case SavedLogin::Outcome::Nothing:
        return;
    case SavedLogin::Outcome::Incomplete:
        keepUnusableSavedLogin(Messages::savedCredentialsIncomplete(languageCode));
        return;
    case SavedLogin::Outcome::Unreadable:
        keepUnusableSavedLogin(
            Messages::savedCredentialsUnreadable(languageCode, m_platform.keyStore.unreadableReason()));
        return;
    case SavedLogin::Outcome::CannotTell:
        keepUnusableSavedLogin(Messages::savedCredentialsMismatched(languageCode));
        return;
    case SavedLogin::Outcome::Restored:
        nameedit->setText(restored.credentials.domain);
        passedit->setText(restored.credentials.password);
        zddr->setChecked(true);
        return;
    }
}

// The halves on disk are no login, but saving over them would destroy what is
// left of the real one for good. The box stays ticked, and nothing is written.
void TForm1::keepUnusableSavedLogin(const QString& why)
{
    {
        const QSignalBlocker quiet(zddr);
        zddr->setChecked(true);
    }
    m_session.setAutoLogin(true);
    appendHistory(why);
}

void TForm1::noteSecondCopyUndetectable()
{
    appendHistory(Messages::secondCopyUndetectable(languageCode));
}

void TForm1::FormShow()
{
    loadingGuard = false;
    showBanner();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    keepOnScreen(*this, designedSize, !m_placedOnce);
    m_placedOnce = true;
    runFirstShow();
    followScreen();
}

void TForm1::startHidden()
{
    runFirstShow();
    followScreen();
}

void TForm1::runFirstShow()
{
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    FormShow();
}

void TForm1::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    followScreen();
}

// Minimised, even with its task bar entry, the window shows no page.
bool TForm1::isOnScreen() const
{
    return isVisible() && !isMinimized();
}

// What nobody sees costs nothing: the panes go, and the clock, which would
// wake the program every second, stops until the window is back.
void TForm1::followScreen()
{
    const bool onScreen = isOnScreen();
    paneLifetime.setOnScreen(onScreen);
    if (onScreen == Timer3.isRunning())
        return;
    Timer3.setInterval(onScreen ? 1000 : 0);
    if (onScreen)
        Timer3Timer();
}

void TForm1::closeEndpoints()
{
    NMUDP1.reset();
    NMUDP2.reset();
    NMUDP3.reset();
}

void TForm1::FormCloseQuery()
{
    closeEndpoints();
    // Nothing is saved here: settings are written whenever they change. exit(),
    // unlike quit(), cannot be cancelled by a window that only hides on close.
    QCoreApplication::exit(0);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    event->accept();
    FormCloseQuery();
}

bool TForm1::WMQueryEndSession()
{
    closeEndpoints();
    return true;
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    followScreen();
    if (isMinimized() && isVisible())
        m_shell.minimize();
}

void TForm1::ApplicationMinimize()
{
    // Without a notification area the window stays minimised in the task bar,
    // so that it is never out of reach.
    if (!m_shell.trayAvailable || !m_shell.trayAvailable())
        return;
    m_trayIcon->show();
    hide();
}

void TForm1::TrayIconLeftClick()
{
    m_trayIcon->hide();
    showNormal();
    raise();
    activateWindow();
}

bool TForm1::isInTray() const
{
    return m_trayIcon->isVisible();
}
