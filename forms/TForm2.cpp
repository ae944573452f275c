#include "forms/TForm2.h"

#include "messages/TimeStamps.h"
#include "net/TNMUDP.h"
#include "registration/Session.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"
#include "settings/deployment.h"

TForm2::TForm2(const Platform& platform, Session& session, QWidget* parent)
    : QWidget(parent), m_platform(platform), m_session(session),
      m_codePage(CodePage::forLanguage(platform.language.languageId()))
{
    setWindowTitle(QStringLiteral("域名解析"));
    nameedit = QString::fromUtf8(deployment::exampleDomain);
    connectTimers();
    followPrimaryLogins();
    createEndpoint();
    FormCreate();
}

TForm2::~TForm2() = default;

void TForm2::connectTimers()
{
    Timer1.setOnTimer([this] { Timer1Timer(); });
    Timer2.setOnTimer([this] { Timer2Timer(); });
    Timer4.setOnTimer([this] { Timer4Timer(); });
    Timer5.setOnTimer([this] { Timer5Timer(); });
    Timer7.setOnTimer([this] { Timer7Timer(); });
    Timer8.setOnTimer([this] { Timer8Timer(); });
    Timer9.setOnTimer([this] { Timer9Timer(); });
}

void TForm2::followPrimaryLogins()
{
    connect(&m_session, &Session::loginStarted, this, [this](const QString& domain, const QString& password) {
        nameedit = domain;
        passedit = password;
        Timer2.setInterval(10);
    });
    connect(&m_session, &Session::automaticLoginStarted, this, [this] { Timer5.setInterval(10); });
}

void TForm2::createEndpoint()
{
    try {
        NMUDP1 = std::make_unique<TNMUDP>(m_platform.resolver);
        NMUDP1->RemotePort = LoginExchange::localPort;
        NMUDP1->setLocalPort(LoginExchange::localPort);
        NMUDP1->OnDataReceived = [this](TNMUDP*, int numberBytes, const QString& fromIP, int port) {
            NMUDP1DataReceived(numberBytes, fromIP, port);
        };
        m_awaitedReply.watch(*NMUDP1, m_session);
    } catch (const UDPSockError&) {
        // Every send then reports the line as down and retries.
        NMUDP1.reset();
    }
}

void TForm2::FormCreate()
{
    const auto restored =
        SavedLogin::restore(m_platform.keyStore, m_session.settingsLines.value(SettingsLine::Credentials));
    if (restored.outcome == SavedLogin::Outcome::Restored) {
        nameedit = restored.credentials.domain;
        passedit = restored.credentials.password;
        // The primary window ticked it under the same condition already.
        m_session.setAutoLogin(true);
    }
    languageCode = languageCodeFor(m_platform.language.languageId());
    Timer1.setInterval(1000);
}

QString TForm2::timeOfDay() const
{
    return longTime(m_platform.clock.now());
}

QString TForm2::today() const
{
    return shortDate(m_platform.clock.now());
}

void TForm2::setLine1(const QString& text)
{
    m_session.setLogLine(1, text);
}

void TForm2::appendHistory(const QString& text)
{
    m_session.appendLogLine(text);
}
