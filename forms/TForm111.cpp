#include "forms/TForm111.h"

#include "forms/AppShell.h"
#include "messages/Messages.h"
#include "messages/PinholeMessages.h"
#include "settings/ProviderPages.h"
#include "ui/AccessibleControls.h"
#include "ui/AppIcon.h"
#include "ui/ClickableLabel.h"
#include "ui/ElidedLabel.h"
#include "ui/LogBox.h"
#include "ui/ScreenFit.h"
#include "ui/TrayIndicator.h"
#include "ui/WebPane.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QTimer>

#include <utility>

namespace {

constexpr QSize designedSize(570, 283);

QLabel* label(const QString& text, QWidget* parent, const QRect& where)
{
    auto* result = new QLabel(text, parent);
    result->setGeometry(where);
    return result;
}

// The router's name and its refusals come from the network: plain text, cut to fit.
QLabel* redLabel(QWidget* parent, const QRect& where)
{
    auto* result = new ElidedLabel(parent);
    result->setGeometry(where);
    result->setStyleSheet(QStringLiteral("color: red;"));
    return result;
}

// A field with its label, which names it to a screen reader.
QLineEdit* field(const QString& name, const QRect& nameWhere, const QString& text, QWidget* parent,
                 const QRect& where)
{
    auto* result = new QLineEdit(text, parent);
    result->setGeometry(where);
    label(name, parent, nameWhere)->setBuddy(result);
    return result;
}

template <typename Box> Box* memo(QWidget* parent, const QRect& where)
{
    auto* result = new Box(parent);
    result->setGeometry(where);
    result->setLineWrapMode(QPlainTextEdit::NoWrap);
    result->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    result->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return result;
}

} // namespace

TForm111::TForm111(const Platform& platform, AppShell& shell, EngineModel& model, EngineActions& actions,
                   QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      paneLifetime(
          platform.clock, [this] { makeWebPane(); }, [this] { releaseWebPane(); }),
      m_platform(platform), m_shell(shell), m_model(model), m_actions(actions)
{
    paneLifetime.releaseDelay = shell.paneReleaseDelay;
    installAccessibleControls();
    buildLayout();
    m_trayIcon = new QSystemTrayIcon(appIcon(), this);
    m_trayIcon->setObjectName(QStringLiteral("TrayIcon1"));
    m_trayIndicator =
        new TrayIndicator(m_model, *m_trayIcon, languageCodeFor(m_platform.language.languageId()), this);
    // Set on the icon, the menu is run by the tray host, or by Qt, and a
    // StatusNotifier host gets it exported.
    m_trayIcon->setContextMenu(PopupMenu1);
    connectControls();
    connectKeeper();
    FormCreate();
}

TForm111::~TForm111() = default;

void TForm111::buildLayout()
{
    setWindowTitle(QStringLiteral("路由器端口映射"));
    setWindowIcon(appIcon());
    setFixedSize(designedSize);
    QFont windowFont(QStringLiteral("宋体"));
    windowFont.setPixelSize(13);
    setFont(windowFont);

    auto* listHeading = label(QStringLiteral("已设置的端口映射：     "), this, {8, 6, 140, 16});
    Label6 = redLabel(this, {150, 6, 230, 16});
    Label10 = redLabel(this, {8, 136, 370, 16});
    // The log lies beneath the list, as it always has: created first, so drawn under it.
    Memo1 = memo<LogBox>(this, {8, 24, 370, 110});
    Memo2 = memo<QPlainTextEdit>(this, {8, 24, 370, 110});
    listHeading->setBuddy(Memo2);
    // A tab in a mapping line would break it; Tab moves on instead.
    Memo2->setTabChangesFocus(true);
    // Never seen, so never focused.
    Memo1->setFocusPolicy(Qt::NoFocus);

    Edit1 = field(QStringLiteral("本机地址   "), {8, 158, 70, 20}, QStringLiteral("0.0.0.0"), this,
                  {78, 156, 110, 22});
    Edit2 = field(QStringLiteral("本机端口   "), {196, 158, 70, 20}, QStringLiteral("80"), this,
                  {266, 156, 60, 22});
    Edit3 = field(QStringLiteral("公网地址   "), {8, 184, 70, 20}, QStringLiteral("0.0.0.0"), this,
                  {78, 182, 110, 22});
    Edit3->setReadOnly(true);
    Edit4 = field(QStringLiteral("公网端口   "), {196, 184, 70, 20}, QStringLiteral("80"), this,
                  {266, 182, 60, 22});

    auto* GroupBox1 = new QGroupBox(QStringLiteral("类型"), this);
    GroupBox1->setGeometry(8, 208, 120, 44);
    RadioButton1 = new QRadioButton(QStringLiteral("TCP"), GroupBox1);
    RadioButton1->setGeometry(8, 18, 50, 20);
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("UDP"), GroupBox1);
    RadioButton2->setGeometry(62, 18, 50, 20);
    auto* GroupBox2 = new QGroupBox(QStringLiteral("动作"), this);
    GroupBox2->setGeometry(136, 208, 120, 44);
    RadioButton3 = new QRadioButton(QStringLiteral("填加"), GroupBox2);
    RadioButton3->setGeometry(8, 18, 50, 20);
    RadioButton3->setChecked(true);
    RadioButton4 = new QRadioButton(QStringLiteral("删除"), GroupBox2);
    RadioButton4->setGeometry(62, 18, 50, 20);

    Button1 = new QPushButton(QStringLiteral("执行"), this);
    Button1->setGeometry(264, 222, 56, 26);
    Button1->setEnabled(false);
    BitBtn6 = new QPushButton(QStringLiteral("重置"), this);
    BitBtn6->setGeometry(324, 222, 56, 26);
    BitBtn6->setEnabled(false);

    Label7 = new ClickableLabel(QStringLiteral("帮助 "), this);
    Label7->setGeometry(8, 260, 40, 16);
    Label8 = new ClickableLabel(QStringLiteral("端口含义 "), this);
    Label8->setGeometry(56, 260, 70, 16);
    Label11 = new ClickableLabel(QStringLiteral("窗口隐藏 "), this);
    Label11->setGeometry(134, 260, 70, 16);

    CheckBox1 = new QCheckBox(QStringLiteral("自动检测IP"), this);
    CheckBox1->setVisible(false);
    CheckBox2 = new QCheckBox(Messages::Pinholes::optionCaption(LanguageCode::Jt), this);
    CheckBox2->setGeometry(212, 258, 168, 20);
    Edit5 = new QLineEdit(QStringLiteral("60"), this);
    Edit5->setVisible(false);

    // As the controls are seen: list, fields row by row, options, buttons, links.
    for (auto [first, second] : {std::pair<QWidget*, QWidget*>{Memo2, Edit1},
                                 {Edit1, Edit2},
                                 {Edit2, Edit3},
                                 {Edit3, Edit4},
                                 {Edit4, RadioButton1},
                                 {RadioButton1, RadioButton2},
                                 {RadioButton2, RadioButton3},
                                 {RadioButton3, RadioButton4},
                                 {RadioButton4, Button1},
                                 {Button1, BitBtn6},
                                 {BitBtn6, Label7},
                                 {Label7, Label8},
                                 {Label8, Label11},
                                 {Label11, CheckBox2}})
        setTabOrder(first, second);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction(QStringLiteral("还原"), this, [this] { N1Click(); });
    PopupMenu1->addAction(QStringLiteral("退出"), this, [this] { N2Click(); });

    const std::pair<QObject*, const char*> names[] = {
        {Label6, "Label6"},
        {Label10, "Label10"},
        {Memo1, "Memo1"},
        {Memo2, "Memo2"},
        {Edit1, "Edit1"},
        {Edit2, "Edit2"},
        {Edit3, "Edit3"},
        {Edit4, "Edit4"},
        {Edit5, "Edit5"},
        {GroupBox1, "GroupBox1"},
        {GroupBox2, "GroupBox2"},
        {RadioButton1, "RadioButton1"},
        {RadioButton2, "RadioButton2"},
        {RadioButton3, "RadioButton3"},
        {RadioButton4, "RadioButton4"},
        {Button1, "Button1"},
        {BitBtn6, "BitBtn6"},
        {Label7, "Label7"},
        {Label8, "Label8"},
        {Label11, "Label11"},
        {CheckBox1, "CheckBox1"},
        {CheckBox2, "CheckBox2"},
        {PopupMenu1, "PopupMenu1"},
    };
    for (const auto& [control, name] : names)
        control->setObjectName(QString::fromLatin1(name));
}

void TForm111::connectControls()
{
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
    Memo2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Memo2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { showListMenu(position); });
    connect(Label7, &ClickableLabel::clicked, this, [this] { Label7Click(); });
    connect(Label8, &ClickableLabel::clicked, this, [this] { Label8Click(); });
    connect(Label11, &ClickableLabel::clicked, this, [this] { Label11Click(); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    // Without a title bar, Escape is the keyboard's way to hide it.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            [this] { Label11Click(); });
    connect(Edit5, &QLineEdit::textChanged, this, [this] { Edit5Change(); });
    // The icon is hidden on a restore: never while its own event is being
    // delivered, so the restore waits for the event loop.
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            QTimer::singleShot(0, this, [this] { TrayIconLeftClick(); });
    });
    connect(PopupMenu1, &QMenu::aboutToHide, this,
            [this] { QTimer::singleShot(0, this, [this] { PopupMenu1Closed(); }); });
    // An address the user typed stays; the one this machine has on the way
    // to the router replaces any other.
    connect(Edit1, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_clientTyped = !text.trimmed().isEmpty(); });
}

void TForm111::FormCreate()
{
    m_shell.OnMinimize = [this] { ApplicationMinimize(); };
}

void TForm111::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    keepOnScreen(*this, designedSize, true);
    // Made when shown, as most runs never show this window.
    paneLifetime.setOnScreen(true);
}

void TForm111::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    paneLifetime.setOnScreen(false);
}

void TForm111::makeWebPane()
{
    if (WebBrowser1 || !m_shell.makeWebPane)
        return;
    WebBrowser1 = m_shell.makeWebPane(this);
    WebBrowser1->setGeometry(386, 24, 180, 236);
    WebBrowser1->show();
    WebBrowser1->load(ProviderPages::portMappingAdvertisement());
}

void TForm111::releaseWebPane()
{
    delete WebBrowser1;
    WebBrowser1 = nullptr;
    if (m_shell.panesReleased)
        m_shell.panesReleased();
}

void TForm111::openPage(const QString& url)
{
    if (!m_platform.browser.openUrl(url))
        Memo1->appendLine(Messages::browserUnavailable(LanguageCode::Jt, url));
}

void TForm111::Label7Click()
{
    openPage(ProviderPages::page(QStringLiteral("/port.asp")));
}

void TForm111::Label8Click()
{
    openPage(ProviderPages::page(QStringLiteral("/portlist.asp")));
}

void TForm111::Label11Click()
{
    hide();
}

void TForm111::ApplicationMinimize()
{
    // Without a notification area the program stays minimised in the task bar.
    if (!m_shell.trayAvailable || !m_shell.trayAvailable())
        return;
    m_thisWasShown = isVisible();
    m_trayIcon->show();
    if (m_shell.mainWindow)
        m_shell.mainWindow->hide();
    hide();
}

void TForm111::restoreApplication()
{
    m_trayIcon->hide();
    if (m_shell.mainWindow) {
        m_shell.mainWindow->showNormal();
        m_shell.mainWindow->raise();
        m_shell.mainWindow->activateWindow();
    }
    if (m_thisWasShown)
        show();
}

void TForm111::TrayIconLeftClick()
{
    restoreApplication();
}

void TForm111::PopupMenu1Closed()
{
    restoreApplication();
}

bool TForm111::showNotice(const QString& caption, const QString& text)
{
    // A balloon points at the icon: none while the icon is hidden.
    if (!m_trayIcon->isVisible())
        return false;
    m_trayIcon->showMessage(caption, text, QSystemTrayIcon::Information, 10000);
    return true;
}

void TForm111::setServiceStopped(bool stopped)
{
    m_trayIndicator->setServiceStopped(stopped);
}

bool TForm111::isInTray() const
{
    return m_trayIcon->isVisible();
}

void TForm111::N1Click()
{
    restoreApplication();
}

void TForm111::N2Click()
{
    m_thisWasShown = false;
    close();
}
