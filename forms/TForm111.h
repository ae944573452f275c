#pragma once

#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "platform/Timer.h"
#include "portmap/RouterMappingList.h"
#include "portmap/RouterRecovery.h"
#include "settings/WriteFailureNotice.h"
#include "ui/PaneLifetime.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class AppShell;
class ClientState;
class LogBox;
class ClickableLabel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSystemTrayIcon;
class TAutoNAT;
class WebPane;

// The port mapping window: keeps the user's list of mappings ("jilu.txt")
// applied on the gateway and re-applies it whenever the gateway's external
// address changes. It works from start-up whether shown or not, and owns the
// notification-area icon. Controls and handlers keep the names of the window
// layout and are public, as the primary window and the tests reach into them.
class TForm111 : public QWidget
{
    Q_OBJECT

public:
    // Runs the creation handler before returning.
    TForm111(const Platform& platform, AppShell& shell, ClientState& session, QWidget* parent = nullptr);
    ~TForm111() override;

    QLabel* Label6 = nullptr;             // router label, or a failure text
    QLabel* Label10 = nullptr;            // "add succeeded"
    QPlainTextEdit* Memo2 = nullptr;      // the mapping list, mirrors "jilu.txt"
    LogBox* Memo1 = nullptr;              // operation log, beneath Memo2
    QLineEdit* Edit1 = nullptr;           // local address
    QLineEdit* Edit2 = nullptr;           // local port
    QLineEdit* Edit3 = nullptr;           // the gateway's external address
    QLineEdit* Edit4 = nullptr;           // public port
    QRadioButton* RadioButton1 = nullptr; // TCP
    QRadioButton* RadioButton2 = nullptr; // UDP
    QRadioButton* RadioButton3 = nullptr; // add
    QRadioButton* RadioButton4 = nullptr; // delete
    QPushButton* Button1 = nullptr;       // execute
    QPushButton* BitBtn6 = nullptr;       // re-apply the whole list
    ClickableLabel* Label7 = nullptr;
    ClickableLabel* Label8 = nullptr;
    ClickableLabel* Label11 = nullptr;
    WebPane* WebBrowser1 = nullptr; // made when the window is shown, let go of minutes after it hides
    PaneLifetime paneLifetime;
    QCheckBox* CheckBox1 = nullptr; // automatic address check (invisible)
    QLineEdit* Edit5 = nullptr;     // its interval in seconds (invisible)
    QStringList Memo3{QStringLiteral("60")};
    QMenu* PopupMenu1 = nullptr;

    std::unique_ptr<TAutoNAT> AutoNAT1;

    Timer Timer1; // external address step after the description
    Timer Timer2; // search step after creation
    Timer Timer3; // one re-apply step
    Timer Timer4; // automatic address check
    Timer Timer5; // address polling
    // A gateway may let "permanent" mappings lapse (IGD:2 makes them 7-day
    // leases): the whole list is applied again once a day as well.
    Timer dailyReapply;
    // The next search while no router answers, or the next look at the
    // devices that answered the last search.
    Timer researchTimer;
    // A router that restarted, or whose mappings were deleted from outside,
    // keeps its address: its mappings are looked at every 5 minutes.
    Timer mappingCheck;
    // Steps of the mapping check, and a poll that waited for another task;
    // they start router tasks from a tick, never from inside a task's handler.
    Timer checkStep;
    Timer deferredPoll;

    QString ReapplyState; // "ok": the loop may take the next line; "on": an add of the loop runs
    int ReapplyIndex = 0;

    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void Button1Click();
    void AutoNAT1TaskSuccess();
    void AutoNAT1TaskFail();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    void Timer5Timer();
    void dailyReapplyTimer();
    void researchTimerTimer();
    void mappingCheckTimer();
    void checkStepTimer();
    // The external address step of the polling timers: it waits while
    // another task of the router runs, and needs a router.
    void pollExternalAddress();
    // The machine's addresses changed: a router may have come into reach.
    void addressesChanged();
    bool routerKnown() const { return m_routerKnown; }

    // Lists every mapping the router holds; `done` gets the lines to show,
    // or the reason there are none.
    void listRouterMappings(std::function<void(const QStringList& lines)> done);
    // The same in a window of its own.
    void showRouterMappings();
    void CheckBox1Click();
    void Edit5Change();
    void Label7Click();
    void Label8Click();
    void Label11Click();
    void N1Click();
    void N2Click();

    // The application's minimise handler while this window lives, and the
    // tray icon's clicks.
    void ApplicationMinimize();
    void TrayIconLeftClick();
    void TrayIconRightClick();
    bool isInTray() const;

    QStringList mappingLines() const;

    // Reads both files again and applies the list again once the router's
    // address is known: a service takes edited files without a restart.
    void reloadFiles();

signals:
    // Every line of the operation log, for a log without a screen.
    void logged(const QString& line);
    // A mapping line the router took, or let go of.
    void mappingAdded(const QString& line);
    void mappingDeleted(const QString& line);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildLayout();
    void connectControls();
    void makeWebPane();
    void releaseWebPane();
    void log(const QString& line);
    void openPage(const QString& url);
    QString protocol() const;
    void saveMappingList();
    void saveIntervalFile();
    void restoreApplication();
    void onSearchSucceeded();
    void onExternalAddress();
    void endAdd();
    void retryUnansweredAdd();
    void showAddRefusal();
    void onControlPageFailed();
    void tryNextDevice();
    void routerLost();
    void refreshInternalClient();
    void afterTask();
    void startMappingCheck();
    void onMappingEntry(bool found);
    void finishMappingCheck();
    void reapplyLines(const QList<int>& indexes);
    void logUnlessRetrying(const QString& line);
    QString typedMappingLine() const;
    void finishReapplyStep();
    void setMappingLines(const QStringList& lines);
    std::optional<std::pair<int, int>> typedPorts();
    void loadFiles();
    void loadOrCreate(const QString& name, const std::function<void(const QStringList&)>& take,
                      const QStringList& initial);
    void writeLines(const QString& name, const QStringList& lines);

    Platform m_platform;
    AppShell& m_shell;
    ClientState& m_session;
    CodePage m_codePage;
    QSystemTrayIcon* m_trayIcon = nullptr;
    bool m_thisWasShown = false;
    bool m_loopAdd = false;     // the running add is the re-apply loop's
    int m_watchedLine = -1;     // the line of the loop's last add
    bool m_lineRetried = false; // that line was tried a second time
    RouterRecovery m_recovery;
    bool m_routerKnown = false;              // its control address answered: polls may run
    bool m_awaitingDevice = false;           // more answers to the search may still come
    bool m_pollWaiting = false;              // a poll waits for the running task
    bool m_clientTyped = false;              // the user typed the internal client
    std::optional<QString> m_pendingAddLine; // stored once the router takes it
    std::optional<QList<int>> m_reapplyOnly; // lines the loop re-applies; all when empty
    int m_checkIndex = -1;                   // the line the mapping check asks about
    QList<int> m_checkMissing;
    std::unique_ptr<RouterMappingList> m_listing;
    QPlainTextEdit* m_routerMappingsView = nullptr;
    WriteFailureNotice m_writeFailures{m_platform.messageBoxes};
};
