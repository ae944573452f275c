#include "forms/TForm1.h"

#include "forms/AppShell.h"
#include "engine/EngineActions.h"
#include "ui/ScreenFit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QSystemTrayIcon>

void TForm1::FormCreate()
{
    advertisementInterval = 1200000;
    advertisementCounter1 = 0;
    advertisementCounter2 = 0;
    Timer2.setInterval(1000);
    Timer3.setInterval(1000);
    Timer13.setInterval(70000);
    Timer3Timer();
    m_shell.OnMinimize = [this] { ApplicationMinimize(); };
}

// From the first show on, the option boxes save what the user changes.
void TForm1::FormShow()
{
    m_actions.begin();
    showBanner();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    keepOnScreen(*this, designedSize, !m_placedOnce);
    m_placedOnce = true;
    m_placedInFrame = frameKnown(*this);
    // Back from the tray, or first shown: ready to type the domain.
    nameedit->setFocus();
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

// Placed before the window manager framed it, the window is placed again,
// once, when its frame is known.
void TForm1::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    if (m_placedInFrame || !isVisible() || !frameKnown(*this))
        return;
    m_placedInFrame = true;
    keepOnScreen(*this, designedSize, false);
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

void TForm1::FormCloseQuery()
{
    m_actions.endSession();
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
    m_actions.endSession();
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
    else if (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized)
        nameedit->setFocus();
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
