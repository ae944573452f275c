#include "daemon/RouterMappings.h"

#include "daemon/LogLine.h"
#include "messages/LanguageCode.h"
#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "platform/CodePage.h"
#include "platform/Console.h"
#include "platform/DefaultGateway.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemLanguage.h"
#include "platform/ThreadedHostResolver.h"
#include "portmap/MappingFiles.h"
#include "portmap/NatPmpClient.h"
#include "portmap/RouterDiscovery.h"
#include "portmap/RouterMappingList.h"
#include "portmap/TAutoNAT.h"
#include "settings/TextFile.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTimer>

#include <memory>

namespace {

class ConsoleMessageBoxes final : public MessageBoxes
{
public:
    void show(const QString& caption, const QString& text) override { printErrorLine(caption + u' ' + text); }
};

// The stored list, where the program keeps it.
QStringList storedMappingLines()
{
    const QString path =
        MappingFiles::listPath(MappingFiles::folder(chooseProgramFolder(programFolder(), dataHome())));
    LocaleSystemLanguage language;
    const LoadedLines loaded = loadTextLines(path, CodePage::forLanguage(language.languageId()));
    return loaded.state == LoadedLines::State::Loaded ? loaded.lines : QStringList();
}

// The router, found as the mapping keeper finds it, then its list.
class Listing
{
public:
    Listing()
        : m_nat(m_resolver, m_messageBoxes),
          m_discovery(m_nat,
                      [this](RouterDiscovery::Event event) {
                          if (event == RouterDiscovery::Event::Found)
                              m_listStart.setInterval(1);
                          else if (event == RouterDiscovery::Event::NoRouter ||
                                   event == RouterDiscovery::Event::DescriptionNotStarted)
                              noRouter();
                      }),
          m_list(m_nat)
    {
        m_nat.OnTaskSuccess = [this](TAutoNAT*) { taskEnded(true); };
        m_nat.OnTaskFail = [this](TAutoNAT*) { taskEnded(false); };
        // The client takes the control address only after the description's handler returns.
        m_listStart.setOnTimer([this] {
            m_listStart.setInterval(0);
            m_list.start([this](const RouterMappingList::Result& result) { print(result); });
        });
    }

    int run()
    {
        if (!m_discovery.search()) {
            printErrorLine(Messages::PortMapping::routerMappingsNoRouter());
            return 1;
        }
        // Any number of entries, one exchange each: only a router gone quiet ends it early.
        m_silence.setSingleShot(true);
        m_silence.setInterval(silenceMs);
        QObject::connect(&m_silence, &QTimer::timeout, qApp, [this] {
            printErrorLine(Messages::PortMapping::routerMappingsIncomplete());
            finish(1);
        });
        m_silence.start();
        qApp->exec();
        return m_exitCode;
    }

private:
    void taskEnded(bool succeeded)
    {
        m_silence.start();
        if (m_nat.task() == TAutoNAT::TaskType::MappingAt)
            m_list.taskEnded(succeeded);
        else
            m_discovery.taskEnded(succeeded);
    }

    // A router with UPnP off may speak NAT-PMP, which has no list to give.
    void noRouter()
    {
        const auto gateway = defaultGateway();
        if (!gateway) {
            printErrorLine(Messages::PortMapping::routerMappingsNoRouter());
            finish(1);
            return;
        }
        m_natPmp = std::make_unique<NatPmpClient>(QHostAddress(*gateway));
        QObject::connect(m_natPmp.get(), &NatPmpClient::externalAddressRead, qApp, [this, gateway] {
            LocaleSystemLanguage language;
            printErrorLine(Messages::natPmpCannotList(languageCodeFor(language.languageId()), *gateway));
            finish(1);
        });
        QObject::connect(m_natPmp.get(), &NatPmpClient::externalAddressFailed, qApp, [this] {
            printErrorLine(Messages::PortMapping::routerMappingsNoRouter());
            finish(1);
        });
        m_natPmp->requestExternalAddress();
    }

    void print(const RouterMappingList::Result& result)
    {
        // Any host of the network may describe a mapping as it likes.
        for (const QString& line : RouterMappingList::describe(result, m_nat.LocalIp(), storedMappingLines()))
            printLine(withControlsEscaped(line));
        finish(result.complete ? 0 : 1);
    }

    void finish(int exitCode)
    {
        m_exitCode = exitCode;
        qApp->quit();
    }

    ThreadedHostResolver m_resolver;
    ConsoleMessageBoxes m_messageBoxes;
    TAutoNAT m_nat;
    RouterDiscovery m_discovery;
    RouterMappingList m_list;
    Timer m_listStart;
    std::unique_ptr<NatPmpClient> m_natPmp;
    // Longer than any one exchange or the search may take.
    static constexpr int silenceMs = 60000;
    QTimer m_silence;
    int m_exitCode = 1;
};

} // namespace

int printRouterMappings()
{
    return Listing().run();
}
