#include "forms/TForm1.h"

#include "forms/AppShell.h"
#include "engine/LoginsView.h"
#include "ui/AccessibleControls.h"
#include "ui/AppIcon.h"
#include "ui/ClickableLabel.h"
#include "ui/EventLog.h"
#include "ui/StatusPanels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QTimer>

TForm1::TForm1(const Platform& platform, AppShell& shell, LoginsView& logins, QWidget* parent)
    : QMainWindow(parent),
      paneLifetime(
          platform.clock, [this] { QTimer::singleShot(0, this, [this] { createWebPanes(); }); },
          [this] { releaseWebPanes(); }),
      m_platform(platform), m_shell(shell), m_logins(logins)
{
    paneLifetime.releaseDelay = shell.paneReleaseDelay;
    installAccessibleControls();
    setWindowIcon(appIcon());
    m_shell.mainWindow = this;
    buildLayout();
    nameControls();
    m_trayIcon = new QSystemTrayIcon(appIcon(), this);
    m_trayIcon->setToolTip(QStringLiteral("Kelvane"));
    showEngine();
    connectControls();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::connectControls()
{
    // Option boxes react to every change of state, also one made by the program.
    connect(zddr, &QCheckBox::toggled, this, [this](bool on) { m_logins.setAutoLogin(on); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { m_logins.setMultiUserOption(on); });
    connect(CheckBox7, &QCheckBox::toggled, this, [this](bool on) { m_logins.setRunHiddenOption(on); });
    connect(CheckBox5, &QCheckBox::toggled, this, [this](bool on) { m_logins.setResolveLocalOption(on); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { forwardAddressOptions(); });
    connect(Edit4, &QLineEdit::textChanged, this, [this] { forwardAddressOptions(); });
    const auto forwardCredentials = [this] {
        m_logins.setFormCredentials(nameedit->text(), passedit->text());
    };
    connect(nameedit, &QLineEdit::textChanged, this, forwardCredentials);
    connect(passedit, &QLineEdit::textChanged, this, forwardCredentials);
    connect(Label8, &ClickableLabel::clicked, this, [this] { Label8Click(); });
    connect(Label9, &ClickableLabel::clicked, this, [this] { Label9Click(); });
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Hiding the icon inside its own event would pull it from under Qt.
        if (reason == QSystemTrayIcon::Trigger)
            QTimer::singleShot(0, this, [this] { TrayIconLeftClick(); });
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
    Timer3.setOnTimer([this] { Timer3Timer(); });
    Timer2.setOnTimer([this] { Timer2Timer(); });
    Timer13.setOnTimer([this] { Timer13Timer(); });
    connect(&m_logins, &LoginsView::reloginWanted, this, [this] {
        if (advertisementCounter2 > 10)
            advertisementCounter2 = 0;
    });
}

// The controls show the engine; a value set here never comes back as an action.
void TForm1::showEngine()
{
    const QStringList lines = m_logins.logLines();
    for (int line = 0; line < lines.size(); ++line)
        dlrz->setLine(line, lines.at(line));
    connect(&m_logins, &LoginsView::logLineSet, dlrz, &EventLog::setLine);
    connect(&m_logins, &LoginsView::logLineAppended, dlrz, &EventLog::appendLine);
    StatusBar1->setPanelText(0, m_logins.status());
    connect(&m_logins, &LoginsView::statusChanged, this,
            [this](const QString& text) { StatusBar1->setPanelText(0, text); });
    const auto showCredentials = [this](const QString& domain, const QString& password) {
        const QSignalBlocker quietDomain(nameedit);
        const QSignalBlocker quietPassword(passedit);
        nameedit->setText(domain);
        passedit->setText(password);
    };
    showCredentials(m_logins.domain(), m_logins.password());
    connect(&m_logins, &LoginsView::credentialsChanged, this, showCredentials);
    if (!m_logins.localAddress().isEmpty())
        Label5->setText(m_logins.localAddress());
    if (!m_logins.publishedAddress().isEmpty())
        Label7->setText(m_logins.publishedAddress());
    connect(&m_logins, &LoginsView::localAddressChanged, Label5, &QLabel::setText);
    connect(&m_logins, &LoginsView::publishedAddressChanged, Label7, &QLabel::setText);
    connect(&m_logins, &LoginsView::multiUserLinesChanged, this, [this](const QStringList& lines) {
        Memo2->setPlainText(lines.join(u'\n'));
        setListScrollBars();
    });
    Memo2->setPlainText(m_logins.multiUserLines().join(u'\n'));
    setListScrollBars();
    connect(&m_logins, &LoginsView::optionsChanged, this, [this] { showOptions(); });
    showOptions();
}

void TForm1::showOptions()
{
    const QSignalBlocker quietAutoLogin(zddr);
    const QSignalBlocker quietMultiUser(CheckBox1);
    const QSignalBlocker quietResolveLocal(CheckBox5);
    const QSignalBlocker quietFixed(CheckBox2);
    zddr->setChecked(m_logins.autoLogin());
    CheckBox1->setChecked(m_logins.multiUserOn());
    CheckBox5->setChecked(m_logins.resolveLocalTicked());
    CheckBox2->setChecked(m_logins.fixedAddressOn());
}

void TForm1::forwardAddressOptions()
{
    m_logins.setFixedAddressOption(CheckBox2->isChecked() ? std::optional<QString>(Edit4->text())
                                                          : std::nullopt);
}
