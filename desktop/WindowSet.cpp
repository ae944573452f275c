#include "desktop/WindowSet.h"

#include "forms/AppShell.h"

#include <QGuiApplication>
#include <QSessionManager>

WindowSet::WindowSet(const Platform& platform, AppShell& shell, EngineModel& model, EngineActions& actions)
    : Form1(platform, shell, model, actions), Form111(platform, shell, model, actions),
      notices(
          platform, shell.title, model, *Form111.PopupMenu1,
          [this](const QString& caption, const QString& text) { return Form111.showNotice(caption, text); }),
      m_shell(shell)
{
    Form1.setPortMappingWindow(&Form111);
    QObject::connect(&Form1, &TForm1::routerMappingsRequested, &Form111, &TForm111::showRouterMappings);
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, &Form1, [this](QSessionManager& manager) {
        if (!Form1.WMQueryEndSession())
            manager.cancel();
    });
}

void WindowSet::start(bool showPrimary)
{
    if (showPrimary) {
        Form1.startHidden();
        raisePrimary();
        return;
    }
    // Without a notification area the window is the only way in: on screen at
    // its normal size, as a minimised start is lost where there is no task bar.
    if (!m_shell.trayAvailable || !m_shell.trayAvailable()) {
        Form1.show();
        return;
    }
    // The minimise handler hides the window at once: showing it first would
    // only lay it out, fonts and all, and map it for nothing.
    Form1.startHidden();
    m_shell.minimize();
}

void WindowSet::raisePrimary()
{
    Form1.TrayIconLeftClick();
}
