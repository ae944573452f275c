#include "daemon/RouterJob.h"

#include "messages/PortMappingMessages.h"
#include "platform/Console.h"
#include "platform/DefaultGateway.h"

#include <QCoreApplication>

namespace {

// Longer than any one exchange or the search may take.
constexpr int silenceMs = 60000;

} // namespace

void RouterJob::ConsoleMessageBoxes::show(const QString& caption, const QString& text)
{
    printErrorLine(caption + u' ' + text);
}

RouterJob::RouterJob()
    : m_nat(m_resolver, m_messageBoxes), m_discovery(m_nat, [this](RouterDiscovery::Event event) {
          if (event == RouterDiscovery::Event::Found)
              stepAgain();
          else if (event == RouterDiscovery::Event::NoRouter || event == RouterDiscovery::Event::DescriptionNotStarted)
              noRouter();
      })
{
    m_nat.OnTaskSuccess = [this](TAutoNAT*) { taskEnded(true); };
    m_nat.OnTaskFail = [this](TAutoNAT*) { taskEnded(false); };
    m_step.setOnTimer([this] {
        m_step.setInterval(0);
        step();
    });
    m_silence.setSingleShot(true);
    m_silence.setInterval(silenceMs);
    QObject::connect(&m_silence, &QTimer::timeout, qApp, [this] {
        printProgress({});
        printErrorLine(Messages::PortMapping::routerMappingsIncomplete());
        finish(1);
    });
}

int RouterJob::run()
{
    if (!m_discovery.search()) {
        printErrorLine(Messages::PortMapping::routerMappingsNoRouter());
        return 1;
    }
    // Any number of exchanges: only a router gone quiet ends it early.
    m_silence.start();
    qApp->exec();
    return m_exitCode;
}

void RouterJob::finish(int exitCode)
{
    m_exitCode = exitCode;
    qApp->quit();
}

void RouterJob::taskEnded(bool succeeded)
{
    heard();
    if (!ownTaskEnded(succeeded))
        m_discovery.taskEnded(succeeded);
}

void RouterJob::noRouter()
{
    const auto gateway = defaultGateway();
    if (!gateway) {
        printErrorLine(Messages::PortMapping::routerMappingsNoRouter());
        finish(1);
        return;
    }
    noUpnpRouter(QHostAddress(*gateway));
}
