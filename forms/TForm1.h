#pragma once

#include "engine/EchoFilter.h"
#include "messages/LanguageCode.h"
#include "platform/Platform.h"
#include "platform/Timer.h"
#include "ui/PaneLifetime.h"

#include <QMainWindow>

class AppShell;
class ClickableLabel;
class ClockLabel;
class EventLog;
class EngineActions;
class EngineModel;
struct EventRecord;
class StatusPanels;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QSystemTrayIcon;
class QToolBar;
class WebPane;

// The primary window: login form, event log, advanced panel, address labels,
// banner and web panes. It shows the login engine's state and hands the
// user's actions to it; the controls keep the names of the window layout as
// their objectName. The handlers are defined in forms/, one source file per area.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    // Its size where the screen has room; less where it has not.
    static constexpr QSize designedSize{912, 605};

    // Runs the whole creation handler before returning.
    TForm1(const Platform& platform, AppShell& shell, EngineModel& model, EngineActions& actions,
           QWidget* parent = nullptr);
    ~TForm1() override;

    // Made after the window's first paint on screen, let go of some minutes after it left.
    WebPane* WebBrowser1 = nullptr;
    WebPane* WebBrowser2 = nullptr; // 41 x 41, behind the login panel, never seen: a light pane
    PaneLifetime paneLifetime;

    Timer Timer2;  // advertisement page
    Timer Timer3;  // clock, stopped while the window is not on screen
    Timer Timer13; // second advertisement page
    int advertisementInterval = 1200000;
    int advertisementCounter1 = 0;
    int advertisementCounter2 = 0;

    // The port mapping window, shown from the menu.
    void setPortMappingWindow(QWidget* window) { m_portMappingWindow = window; }

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

    // The user's actions, handed to the engine (TForm1Session.cpp, TForm1MultiUser.cpp).
    void Button4Click();
    void Label8Click();
    void Label9Click();
    void Label16Click();
    void Label15Click();

    // Menus, toolbar, links (TForm1Menus.cpp); web panes and banner (TForm1Web.cpp).
    void N14Click();
    void Label3Click();
    void Label14Click();
    void Timer2Timer();
    void Timer3Timer();
    void Timer13Timer();
    void WebBrowser1TitleChange(const QString& title);

signals:
    // "端口映射" › "路由器上的端口映射": the port mapping window lists them.
    void routerMappingsRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void runFirstShow();
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildLayout();
    void nameControls();
    void buildMenus(QToolBar* toolbar);
    void addMnemonic(char key, QAction* action);
    QAction* addPageAction(QMenu* menu, const char* control, const char* text, const QString& url);
    void openPage(const QString& url);
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
    void showEngine();
    void showEngineEvent(const EventRecord& event);
    void showCredentials(const QString& domain);
    void forwardAddressOptions();
    // What the user typed is refused, and why: said where the engine says it.
    bool admitsLogin(const QString& domain, const QString& password);
    void appendHistory(const QString& text);
    void setStatus(const QString& text);
    void setListScrollBars();

    Platform m_platform;
    AppShell& m_shell;
    EngineModel& m_model;
    EngineActions& m_actions;
    LanguageCode m_language;
    EchoFilter<QString> m_sentDomains; // logged in or saved, not yet echoed

    // Toolbar strip, address band.
    QComboBox* ComboBox1 = nullptr;
    ClickableLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;  // local address
    QLabel* Label7 = nullptr;  // resolved address
    ClockLabel* Label18 = nullptr;
    // Login panel.
    QLineEdit* nameedit = nullptr;
    QLineEdit* passedit = nullptr;
    QPushButton* Button4 = nullptr;
    QCheckBox* zddr = nullptr;
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
    QPlainTextEdit* Memo2 = nullptr;
    // Right area.
    QLabel* Image2 = nullptr;
    StatusPanels* StatusBar1 = nullptr;

    QWidget* m_portMappingWindow = nullptr;
    QStackedWidget* m_logOrOptions = nullptr;
    QWidget* m_loginPanel = nullptr;
    QWidget* m_webArea = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    bool m_shownOnce = false;
    bool m_placedOnce = false;
    bool m_placedInFrame = false; // placed knowing the window manager's frame
    // The pages the advertisement timers last chose, for panes made later.
    QString m_advertisement1;
    QString m_advertisement2;
};
