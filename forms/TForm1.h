#pragma once

#include "forms/AwaitedReply.h"
#include "messages/LanguageCode.h"
#include "messages/Messages.h"
#include "platform/AsyncHttp.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "platform/Timer.h"
#include "platform/WriteResult.h"
#include "registration/LoginExchange.h"
#include "registration/PageThrottle.h"
#include "registration/ReloginBackoff.h"
#include "registration/Session.h"
#include "ui/PaneLifetime.h"
#include "ui/WriteFailureNotice.h"

#include <QDateTime>
#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <QStringList>

#include <memory>

class AppShell;
class ClickableLabel;
class TNMUDP;
class EventLog;
class StatusPanels;
class QCheckBox;
class QComboBox;
class QAction;
class QLabel;
class QMenu;
class QToolBar;
class WebPane;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QSystemTrayIcon;

// The primary window: login form, event log, advanced panel, address labels.
// Controls and handlers are public and keep the names of the window layout, as
// the tests reach into them; what the other windows share with it is the
// session. The handlers are defined in forms/, one source file per area.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    // Its size where the screen has room; less where it has not.
    static constexpr QSize designedSize{912, 605};

    // Runs the whole creation handler before returning.
    TForm1(const Platform& platform, AppShell& shell, Session& session, QWidget* parent = nullptr);
    ~TForm1() override;

    // Toolbar strip, address band.
    QComboBox* ComboBox1 = nullptr;
    ClickableLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;  // local address
    QLabel* Label7 = nullptr;  // resolved address
    QLabel* Label18 = nullptr; // clock

    // Login panel.
    QLineEdit* nameedit = nullptr;
    QLineEdit* passedit = nullptr;
    QPushButton* Button4 = nullptr;
    QCheckBox* zddr = nullptr;        // mirrors the session's auto-login flag
    ClickableLabel* Label8 = nullptr; // shows the advanced panel
    ClickableLabel* Label9 = nullptr; // shows the event log

    EventLog* dlrz = nullptr;

    // Advanced panel.
    QWidget* Panel8 = nullptr;
    QCheckBox* CheckBox5 = nullptr; // resolve to this machine's address
    QCheckBox* CheckBox1 = nullptr; // multi-user login
    QCheckBox* CheckBox7 = nullptr; // run hidden
    QCheckBox* CheckBox2 = nullptr; // resolve to a fixed address
    QLineEdit* Edit4 = nullptr;     // the fixed address
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    ClickableLabel* Label16 = nullptr;
    ClickableLabel* Label15 = nullptr;
    ClickableLabel* Label14 = nullptr;
    QPlainTextEdit* Memo2 = nullptr; // shows the session's multi-user list

    // Right area.
    QLabel* Image2 = nullptr;
    // Made after the window's first paint on screen, let go of some minutes after it left.
    WebPane* WebBrowser1 = nullptr;
    WebPane* WebBrowser2 = nullptr; // 41 x 41, behind the login panel, never seen: a light pane
    PaneLifetime paneLifetime;

    StatusPanels* StatusBar1 = nullptr;

    // Controls that only hold state.
    QString wgip = QStringLiteral("wgip");
    QString Edit1;
    QString Edit5;

    // Login datagrams and replies, on local port 9812, and the two check
    // channels on 8881 and 8882; null when no socket could be made.
    std::unique_ptr<TNMUDP> NMUDP1;
    std::unique_ptr<TNMUDP> NMUDP2;
    std::unique_ptr<TNMUDP> NMUDP3;

    // The port mapping window, shown from the menu.
    QWidget* Form111 = nullptr;

    Timer Timer1;  // start-up auto-login
    Timer Timer2;  // advertisement page
    Timer Timer3;  // clock, stopped while the window is not on screen
    Timer Timer4;  // login retry
    Timer Timer5;  // check scheduler
    Timer Timer6;  // check cycle
    Timer Timer7;  // multi-user list pass
    Timer Timer8;  // network wait before a list entry's login
    Timer Timer9;  // local check
    Timer Timer10; // downloads of the zone list and the banner
    Timer Timer13; // second advertisement page
    Timer Timer14; // address consistency check
    Timer Timer15; // no-public-address warning

    // Run-time state of the window.
    int advertisementInterval = 0;
    int advertisementCounter1 = 0;
    int advertisementCounter2 = 0;
    int listIndex = 0;
    int checkTickCount = 0; // internal check ticks without a loopback
    int confirmationCount = 0;
    int learnedPort = 0;
    int partnerPort = 0;
    int loopbackCount = 0;
    QString loopbackStatus;
    QString primaryServerHost;
    QString defaultPrimaryServerHost; // the primary server host at creation
    bool loadingGuard = true;         // true until the window is first shown: option boxes write nothing
    LanguageCode languageCode = LanguageCode::Jt;
    QString statusText;

    // Start-up and shutdown (TForm1Startup.cpp).
    void FormCreate();
    void FormShow();
    // A start straight into the notification area, the window never mapped:
    // what its first show does runs all the same, what runs on screen stops.
    void startHidden();
    void FormCloseQuery();
    bool WMQueryEndSession();
    void ApplicationMinimize();
    void TrayIconLeftClick();
    bool isInTray() const;
    // No instance lock could be made: say so in the history.
    void noteSecondCopyUndetectable();

    // Settings store (TForm1Settings.cpp).
    QString programFile(const QString& name) const;
    // Reads the settings files again, as at creation: a service takes edited
    // files without a restart. The option boxes follow them without writing.
    void reloadSettingsFiles();
    void SaveSettingsLines();
    void SaveMultiUserList();
    void SaveCredentials();
    void reportWriteFailure(const QString& file, const WriteResult& result);
    void ClearCredentials();
    void CheckBox1Click();
    void CheckBox7Click();

    // Event log, status bar, clock (TForm1Log.cpp).
    QString timeOfDay() const;
    QString today() const;
    void setStatus(const QString& text);
    void Timer3Timer();

    // Login exchange, session, addresses (TForm1Login*.cpp, TForm1Session.cpp, TForm1Address*.cpp).
    void Button1Click();
    void NMUDP1DataReceived(int NumberBytes, const QString& FromIP, int Port);
    void Button4Click();
    void Button5Click();
    void Timer1Timer();
    void Timer4Timer();
    void Timer14Timer();
    void Timer15Timer();
    // A page or download is still under way off the window's thread.
    bool webRequestsPending() const { return m_http.pending() > 0; }
    void zddrClick();
    void Label8Click();
    void Label9Click();

    // Menus, toolbar, links (TForm1Menus.cpp); web panes and downloads (TForm1Web.cpp).
    void N14Click();
    void Label3Click();
    void Label14Click();
    // Opens a page in the user's browser, or says in the status bar that it cannot.
    void openPage(const QString& url);
    void Timer2Timer();
    void Timer13Timer();
    void Timer10Timer();
    void WebBrowser1TitleChange(const QString& title);
    void CheckBox5Click();
    void CheckBox2Click();

    // Address checks (TForm1AddressChecks.cpp).
    void Timer5Timer();
    void Button10Click();
    void Timer9Timer();
    void NMUDP2DataReceived(int NumberBytes, const QString& FromIP);
    void NMUDP3DataReceived(int NumberBytes, const QString& FromIP);
    void Timer6Timer();
    void Button2Click();

    // Multi-user list (TForm1MultiUser.cpp).
    void Label16Click();
    void Label15Click();
    void Timer7Timer();
    void Timer8Timer();

signals:
    // "端口映射" › "路由器上的端口映射": the port mapping window lists them.
    void routerMappingsRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void runFirstShow();
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildLayout();
    void buildMenus(QToolBar* toolbar);
    QAction* addPageAction(QMenu* menu, const char* control, const char* text, const QString& url);
    void createWebPanes();
    void releaseWebPanes();
    bool isOnScreen() const;
    void followScreen();
    void showBanner();
    QWidget* buildAddressBand();
    QWidget* buildLoginPanel();
    QWidget* buildAdvancedPanel();
    void buildRightArea(QSplitter* columns);
    void connectControls();
    void createEndpoints();
    void closeEndpoints();
    std::unique_ptr<TNMUDP> makeEndpoint(int localPort);
    void logInAgain();
    bool reloginAllowed();
    bool routerAddressProvesAnything(const QString& routerAddress);
    void checkAgainstProviderPage(const QString& routerAddress);
    void showCheckStatus(Messages::CheckStatus status, bool inLog = true);
    QString readCheckDatagram(TNMUDP& channel, int numberBytes);
    bool isMatchingConfirmation(const QString& datagram);
    void sendProbe(TNMUDP& channel, int port);
    void armCheckAfterListPass();
    void appendHistory(const QString& text);
    void setListScrollBars();
    void stopSessionTimers();
    void sendLogin(int port);
    void reportSendFailure();
    void onSuccessReply(const LoginExchange::Reply& reply);
    void onNotRegisteredReply(const LoginExchange::Reply& reply);
    void armCheckAfterSuccess();
    void continueListPass();
    static QString providerAddressPage();
    void compareProviderPages();
    void loadSettingsFiles();
    std::optional<QStringList> loadProgramFile(const QString& name);
    void saveProgramFile(const QString& name, const QStringList& lines, bool ownerOnly = false);
    WriteResult writeProgramFile(const QString& name, const QStringList& lines, bool ownerOnly);
    void restoreSavedCredentials();
    void keepUnusableSavedLogin(const QString& why);
    void storeCredentials(const QString& domain, const QString& password);
    void mirrorSession();
    void updateAddressOptions();

    Platform m_platform;
    AppShell& m_shell;
    Session& m_session;
    AsyncHttp m_http{m_platform.http, this};
    ReloginBackoff m_reloginBackoff;
    AwaitedReply m_awaitedReply;
    // After a success the first server check compares the router's address
    // with the resolved one; differing then, the router sits behind another NAT.
    bool m_firstServerCheckAfterLogin = false;
    bool m_routerBehindAnotherNat = false;
    QDateTime m_providerPageChecked;
    QHash<QString, QStringList> m_savedContent; // what each program file holds
    CodePage m_codePage;
    QStackedWidget* m_logOrOptions = nullptr;
    QWidget* m_loginPanel = nullptr;
    QWidget* m_webArea = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    WriteFailureNotice m_writeFailures{m_platform.messageBoxes};
    QSet<QString> m_unreadableFiles; // never written in this run
    PageThrottle m_pageThrottle;
    bool m_shownOnce = false;
    bool m_placedOnce = false;
    // The pages the advertisement timers last chose, for panes made later.
    QString m_advertisement1;
    QString m_advertisement2;
};
