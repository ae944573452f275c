#pragma once

#include <QByteArrayList>
#include <QDBusConnection>
#include <QObject>
#include <QTimer>

class WindowSet;
class AppShell;

// A desktop face attached to the engine on the bus comes back as a small
// tray process once its windows let go of their web panes: the browser
// engine, once loaded, stays in a process with its helpers for good, so the
// face executes itself again. The engine runs on in its own process, so no
// login or mapping is lost or repeated. An engine that leaves the bus is
// found, or started, again the same way.
class ShrinkBack : public QObject
{
    Q_OBJECT

public:
    // `arguments`: the program's own, as main got them.
    ShrinkBack(WindowSet& windows, AppShell& shell, QDBusConnection bus, bool ownsEngine,
               QByteArrayList arguments);

    // Read once at start: whether the face that executed this one had
    // started the engine, and whether there was such a face.
    static bool takeOwnsEngine();
    static bool takeReexecuted();
    // Collects the exits of the former image's helper processes.
    void startReaping();

private:
    void panesReleased();
    void reexecute();
    void reapFormerHelpers();

    WindowSet& m_windows;
    bool m_ownsEngine;
    QByteArrayList m_arguments;
    QTimer m_reaper;
    int m_reapsLeft = 0;
};
