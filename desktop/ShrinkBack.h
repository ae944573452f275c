#pragma once

#include <QByteArrayList>
#include <QObject>
#include <QTimer>

class WindowSet;
class AppShell;

// A desktop face attached to the engine on the bus comes back as a small
// tray process once its windows let go of their web panes: the browser
// engine, once loaded, stays in a process with its helpers for good, so the
// face executes itself again, only while no window is shown. The engine
// runs on in its own process, so no login or mapping is lost or repeated.
class ShrinkBack : public QObject
{
    Q_OBJECT

public:
    // `arguments`: the program's own, as main got them.
    ShrinkBack(WindowSet& windows, AppShell& shell, QByteArrayList arguments);

    // Read once at start: whether a face executed this one.
    static bool takeReexecuted();
    // Collects the exits of the former image's helper processes.
    void startReaping();

private:
    void panesReleased();
    void reexecute();
    void reapFormerHelpers();

    WindowSet& m_windows;
    QByteArrayList m_arguments;
    QTimer m_reaper;
    int m_reapsLeft = 0;
};
