#include "forms/TForm1.h"

#include "forms/AppShell.h"
#include "net/TNMUDP.h"
#include "ui/AppIcon.h"
#include "ui/ClickableLabel.h"
#include "ui/EventLog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

TForm1::TForm1(const Platform& platform, AppShell& shell, Session& session, QWidget* parent)
    : QMainWindow(parent),
      paneLifetime(
          platform.clock, [this] { QTimer::singleShot(0, this, [this] { createWebPanes(); }); },
          [this] { releaseWebPanes(); }),
      m_platform(platform), m_shell(shell), m_session(session),
      m_codePage(CodePage::forLanguage(platform.language.languageId()))
{
    setWindowIcon(appIcon());
    m_shell.mainWindow = this;
    buildLayout();
    m_trayIcon = new QSystemTrayIcon(appIcon(), this);
    m_trayIcon->setToolTip(QStringLiteral("Kelvane"));
    connectControls();
    mirrorSession();
    createEndpoints();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::connectControls()
{
    // Option boxes react to every change of state, also one made by the program.
    connect(zddr, &QCheckBox::toggled, this, [this](bool on) {
        m_session.setAutoLogin(on);
        zddrClick();
    });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(CheckBox7, &QCheckBox::toggled, this, [this] { CheckBox7Click(); });
    connect(CheckBox5, &QCheckBox::toggled, this, [this] {
        updateAddressOptions();
        CheckBox5Click();
    });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] {
        updateAddressOptions();
        CheckBox2Click();
    });
    connect(Edit4, &QLineEdit::textChanged, this, [this] { updateAddressOptions(); });
    connect(Label8, &ClickableLabel::clicked, this, [this] { Label8Click(); });
    connect(Label9, &ClickableLabel::clicked, this, [this] { Label9Click(); });
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            TrayIconLeftClick();
    });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    // Enter in a login field presses "登录", in the address box "转到".
    connect(nameedit, &QLineEdit::returnPressed, Button4, &QPushButton::click);
    connect(passedit, &QLineEdit::returnPressed, Button4, &QPushButton::click);
    connect(ComboBox1->lineEdit(), &QLineEdit::returnPressed, this, [this] { Label3Click(); });
    connect(Label3, &ClickableLabel::clicked, this, [this] { Label3Click(); });
    connect(Label14, &ClickableLabel::clicked, this, [this] { Label14Click(); });
    connect(Label16, &ClickableLabel::clicked, this, [this] { Label16Click(); });
    connect(Label15, &ClickableLabel::clicked, this, [this] { Label15Click(); });
    Timer1.setOnTimer([this] { Timer1Timer(); });
    Timer3.setOnTimer([this] { Timer3Timer(); });
    Timer2.setOnTimer([this] { Timer2Timer(); });
    Timer4.setOnTimer([this] { Timer4Timer(); });
    Timer10.setOnTimer([this] { Timer10Timer(); });
    Timer13.setOnTimer([this] { Timer13Timer(); });
    Timer5.setOnTimer([this] { Timer5Timer(); });
    Timer6.setOnTimer([this] { Timer6Timer(); });
    Timer7.setOnTimer([this] { Timer7Timer(); });
    Timer8.setOnTimer([this] { Timer8Timer(); });
    Timer9.setOnTimer([this] { Timer9Timer(); });
    Timer14.setOnTimer([this] { Timer14Timer(); });
    Timer15.setOnTimer([this] { Timer15Timer(); });
}

// The session is what the other windows see; the controls show it. A change
// that comes back as the same value stops there, so neither side loops.
void TForm1::mirrorSession()
{
    connect(&m_session, &Session::autoLoginChanged, this, [this](bool on) { zddr->setChecked(on); });
    connect(&m_session, &Session::multiUserLinesChanged, this, [this](const QStringList& lines) {
        Memo2->setPlainText(lines.join(u'\n'));
        setListScrollBars();
    });
    connect(&m_session, &Session::logLineSet, this,
            [this](int line, const QString& text) { dlrz->setLine(line, text); });
    connect(&m_session, &Session::logLineAppended, this,
            [this](const QString& text) { dlrz->appendLine(text); });
    connect(&m_session, &Session::pageRequested, this, [this](const QString& url) { openPage(url); });
    connect(&m_session, &Session::loginSaveRequested, this,
            [this](const QString& domain, const QString& password) { storeCredentials(domain, password); });
}

void TForm1::updateAddressOptions()
{
    m_session.resolveLocalTicked = CheckBox5->isChecked();
    m_session.fixedAddress = CheckBox2->isChecked() ? std::optional<QString>(Edit4->text()) : std::nullopt;
}
