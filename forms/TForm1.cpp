#include "forms/TForm1.h"

#include "engine/EngineActions.h"
#include "engine/EngineModel.h"
#include "engine/SavedPasswords.h"
#include "forms/AppShell.h"
#include "messages/Messages.h"
#include "messages/TimeStamps.h"
#include "settings/InputRefusals.h"
#include "settings/InputRules.h"
#include "settings/MultiUserList.h"
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

TForm1::TForm1(const Platform& platform, AppShell& shell, EngineModel& model, EngineActions& actions,
               QWidget* parent)
    : QMainWindow(parent),
      paneLifetime(
          platform.clock, [this] { QTimer::singleShot(0, this, [this] { createWebPanes(); }); },
          [this] { releaseWebPanes(); }),
      m_platform(platform), m_shell(shell), m_model(model), m_actions(actions),
      m_language(languageCodeFor(platform.language.languageId()))
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
    // Ticking auto-login saves the form, when it is a login.
    connect(zddr, &QCheckBox::toggled, this, [this](bool on) {
        const QString domain = nameedit->text().trimmed();
        if (on && InputRefusals::login(domain, passedit->text(), m_platform.language.languageId()).isEmpty()) {
            m_sentDomains.send(domain, m_model.valueAs<QString>("Domain"));
            m_actions.saveLogin(domain, passedit->text());
        } else {
            m_actions.setAutoLogin(on);
        }
    });
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { m_actions.setMultiUser(on); });
    connect(CheckBox7, &QCheckBox::toggled, this, [this](bool on) { m_actions.setRunHidden(on); });
    connect(CheckBox5, &QCheckBox::toggled, this, [this](bool on) { m_actions.setResolveLocal(on); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { forwardAddressOptions(); });
    connect(Edit4, &QLineEdit::textChanged, this, [this] { forwardAddressOptions(); });
    const auto forwardCredentials = [this] { m_actions.typeCredentials(nameedit->text(), passedit->text()); };
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
    // A new public address brings a login again.
    m_model.follow("PublicAddress", this, [this](const QVariant&) {
        if (advertisementCounter2 > 10)
            advertisementCounter2 = 0;
    });
}

// The controls show the engine; a value set here never comes back as an action.
void TForm1::showEngine()
{
    for (const EventRecord& event : m_model.events())
        showEngineEvent(event);
    connect(&m_model, &EngineModel::eventAdded, this, [this](const EventRecord& event) { showEngineEvent(event); });
    m_model.follow("Domain", this, [this](const QVariant& domain) { showCredentials(domain.toString()); });
    m_model.follow("LocalAddress", this, [this](const QVariant& address) {
        if (!address.toString().isEmpty())
            Label5->setText(address.toString());
    });
    m_model.follow("PublishedAddress", this, [this](const QVariant& address) {
        if (!address.toString().isEmpty())
            Label7->setText(address.toString());
    });
    m_model.follow("MultiUserDomains", this, [this](const QVariant& domains) {
        QStringList lines;
        for (const QString& domain : domains.toStringList())
            lines << MultiUserList::entryLine(domain);
        Memo2->setPlainText(lines.join(u'\n'));
        setListScrollBars();
    });
    const auto showOption = [this](const char* name, QCheckBox* box, auto ticked) {
        m_model.follow(name, this, [box, ticked](const QVariant& value) {
            const QSignalBlocker quiet(box);
            box->setChecked(ticked(value));
        });
    };
    const auto on = [](const QVariant& value) { return value.toBool(); };
    showOption("AutoLogin", zddr, on);
    showOption("MultiUser", CheckBox1, on);
    showOption("ResolveLocal", CheckBox5, on);
    showOption("FixedAddressOn", CheckBox2, on);
}

void TForm1::showEngineEvent(const EventRecord& event)
{
    if (const auto line = logLineOfSource(event.source))
        dlrz->setLine(*line, event.text);
    else if (event.source == QStringLiteral("history"))
        dlrz->appendLine(event.text);
    else if (event.source == QStringLiteral("status"))
        StatusBar1->setPanelText(0, event.text);
}

// The engine tells the domain only; its password comes from this user's own
// files. The echo of what the user sent or is typing leaves the fields alone.
void TForm1::showCredentials(const QString& domain)
{
    if (m_sentDomains.isEcho(domain) || domain == nameedit->text().trimmed())
        return;
    const QSignalBlocker quietDomain(nameedit);
    const QSignalBlocker quietPassword(passedit);
    nameedit->setText(domain);
    passedit->setText(savedPasswordOf(m_platform.keyStore, m_platform.programFolder,
                                      m_platform.language.languageId(), domain));
}

// Every key goes over: while the box holds no address, the engine says so
// and sends no login.
void TForm1::forwardAddressOptions()
{
    const bool on = CheckBox2->isChecked();
    m_actions.setFixedAddress(on, on && InputRules::ipv4Problem(Edit4->text()).isEmpty() ? Edit4->text() : QString());
}

bool TForm1::admitsLogin(const QString& domain, const QString& password)
{
    const QString refused = InputRefusals::login(domain, password, m_platform.language.languageId());
    if (refused.isEmpty())
        return true;
    setStatus(refused);
    appendHistory(refused);
    return false;
}

void TForm1::appendHistory(const QString& text)
{
    const QDateTime now = m_platform.clock.now();
    dlrz->appendLine(shortDate(now) + u' ' + longTime(now) + u' ' + text);
}

void TForm1::setStatus(const QString& text)
{
    StatusBar1->setPanelText(0, text);
}
