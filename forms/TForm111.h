#pragma once

#include "engine/EchoFilter.h"
#include "platform/Platform.h"
#include "settings/WriteFailureNotice.h"
#include "ui/PaneLifetime.h"

#include <QWidget>

class AppShell;
class ListWindow;
class LogBox;
class ClickableLabel;
class EngineActions;
class EngineModel;
struct EventRecord;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSystemTrayIcon;
class TrayIndicator;
class WebPane;

// The port mapping window: shows the mapping keeper (its list, log and
// status) and hands it the user's actions. It works from start-up whether
// shown or not, and owns the notification-area icon. Controls and handlers
// keep the names of the window layout.
class TForm111 : public QWidget
{
    Q_OBJECT

public:
    // Runs the creation handler before returning.
    TForm111(const Platform& platform, AppShell& shell, EngineModel& model, EngineActions& actions,
             QWidget* parent = nullptr);
    ~TForm111() override;

    QLabel* Label6 = nullptr;             // router label, or a failure text
    QLabel* Label10 = nullptr;            // what the last add came to
    QPlainTextEdit* Memo2 = nullptr;      // the keeper's mapping list
    LogBox* Memo1 = nullptr;              // the keeper's log, beneath Memo2
    QLineEdit* Edit1 = nullptr;           // local address
    QLineEdit* Edit2 = nullptr;           // local port
    QLineEdit* Edit3 = nullptr;           // the router's external address
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
    QCheckBox* CheckBox2 = nullptr; // IPv6 pinholes beside the mappings
    QMenu* PopupMenu1 = nullptr;

    void FormCreate();
    void BitBtn6Click();
    void Button1Click();
    void CheckBox1Click();
    void Edit5Change();
    void Label7Click();
    void Label8Click();
    void Label11Click();
    void N1Click();
    void N2Click();

    // The application's minimise handler while this window lives, the tray
    // icon's left click, and the end of its menu (whichever item was picked).
    void ApplicationMinimize();
    void TrayIconLeftClick();
    void PopupMenu1Closed();
    bool isInTray() const;
    // The icon tells the user's service is stopped, not its last state.
    void setServiceStopped(bool stopped);

    // A balloon beside the tray icon; false while the icon is hidden.
    bool showNotice(const QString& caption, const QString& text);

    // The mappings the router holds, in a window of their own.
    void showRouterMappings();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildLayout();
    void connectControls();
    void connectKeeper();
    void showEngineEvent(const EventRecord& event);
    // The list's own menu, with the entry that takes every stored mapping
    // off the router.
    void showListMenu(const QPoint& position);
    void showStatus();
    void showLines();
    // Said in the log once, however many keys the user presses while it holds.
    void logRefusalOnce(const QString& refusal);
    void makeWebPane();
    void releaseWebPane();
    void openPage(const QString& url);
    void restoreApplication();

    Platform m_platform;
    AppShell& m_shell;
    EngineModel& m_model;
    EngineActions& m_actions;
    QSystemTrayIcon* m_trayIcon = nullptr;
    TrayIndicator* m_trayIndicator = nullptr;
    bool m_thisWasShown = false;
    bool m_clientTyped = false;          // the user typed the internal client
    bool m_showingLines = false;         // Memo2 is being given the keeper's list
    QString m_lastRefusal;               // of the user's edit, while it stays refused
    EchoFilter<QStringList> m_sentLines; // the user's edits, not yet echoed
    ListWindow* m_routerMappingsView = nullptr;
    WriteFailureNotice m_writeFailures{m_platform.messageBoxes};
};
