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
#include "platform/InstanceLock.h"
#include "portmap/MappingFiles.h"
#include "portmap/MappingLine.h"
#include "portmap/NatPmpClient.h"
#include "portmap/RouterDiscovery.h"
#include "portmap/RouterMappingList.h"
#include "portmap/TAutoNAT.h"
#include "settings/TextFile.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTimer>

#include <functional>
#include <memory>
#include <utility>

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

// Longer than any one exchange or the search may take.
constexpr int silenceMs = 60000;

// Started again at each answer, `silence` ends the run when the router stays quiet.
void endOnSilence(QTimer& silence, const std::function<void()>& finish)
{
    silence.setSingleShot(true);
    silence.setInterval(silenceMs);
    QObject::connect(&silence, &QTimer::timeout, qApp, [finish] {
        printErrorLine(Messages::PortMapping::routerMappingsIncomplete());
        finish();
    });
    silence.start();
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
        endOnSilence(m_silence, [this] { finish(1); });
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
    QTimer m_silence;
    int m_exitCode = 1;
};

// The router, found as for the listing, then each stored line deleted from
// it, by UPnP or else by NAT-PMP.
class Deletion
{
public:
    explicit Deletion(QStringList lines)
        : m_lines(std::move(lines)), m_nat(m_resolver, m_messageBoxes),
          m_discovery(m_nat, [this](RouterDiscovery::Event event) {
              if (event == RouterDiscovery::Event::Found)
                  m_next.setInterval(1);
              else if (event == RouterDiscovery::Event::NoRouter ||
                       event == RouterDiscovery::Event::DescriptionNotStarted)
                  byNatPmp();
          })
    {
        m_nat.OnTaskSuccess = [this](TAutoNAT*) { taskEnded(true); };
        m_nat.OnTaskFail = [this](TAutoNAT*) { taskEnded(false); };
        // The client takes the control address only after the handler of the last answer returns.
        m_next.setOnTimer([this] {
            m_next.setInterval(0);
            deleteNext();
        });
    }

    int run()
    {
        if (!m_discovery.search()) {
            printErrorLine(Messages::PortMapping::routerMappingsNoRouter());
            return 1;
        }
        endOnSilence(m_silence, [this] { finish(1); });
        qApp->exec();
        return m_exitCode;
    }

private:
    void taskEnded(bool succeeded)
    {
        m_silence.start();
        if (m_nat.task() != TAutoNAT::TaskType::DeletePort) {
            m_discovery.taskEnded(succeeded);
            return;
        }
        report(succeeded);
        m_next.setInterval(1);
    }

    void byNatPmp()
    {
        const auto gateway = defaultGateway();
        if (!gateway) {
            printErrorLine(Messages::PortMapping::routerMappingsNoRouter());
            finish(1);
            return;
        }
        m_natPmp = std::make_unique<NatPmpClient>(QHostAddress(*gateway));
        QObject::connect(m_natPmp.get(), &NatPmpClient::unmapped, qApp, [this] { reportAndGoOn(true); });
        QObject::connect(m_natPmp.get(), &NatPmpClient::refused, qApp, [this] { reportAndGoOn(false); });
        deleteNext();
    }

    void reportAndGoOn(bool deleted)
    {
        m_silence.start();
        report(deleted);
        deleteNext();
    }

    void deleteNext()
    {
        while (m_index < m_lines.size()) {
            const auto ports = MappingLine::ports(m_lines.at(m_index++));
            if (!ports)
                continue;
            m_current = MappingLine::key(*ports);
            if (m_natPmp) {
                m_natPmp->unmap(NatPmp::protocolNamed(ports->protocol), quint16(ports->localPort),
                                quint16(ports->publicPort));
                return;
            }
            if (m_nat.DeletePort(ports->publicPort, ports->protocol))
                return;
            report(false);
        }
        finish(m_failures == 0 ? 0 : 1);
    }

    void report(bool deleted)
    {
        namespace Text = Messages::PortMapping;
        printLine(m_current + QStringLiteral(": ") + (deleted ? Text::portDeleted() : Text::deleteFailed()));
        if (!deleted)
            ++m_failures;
    }

    void finish(int exitCode)
    {
        m_exitCode = exitCode;
        qApp->quit();
    }

    QStringList m_lines;
    qsizetype m_index = 0;
    QString m_current; // "8080 TCP"
    int m_failures = 0;
    ThreadedHostResolver m_resolver;
    ConsoleMessageBoxes m_messageBoxes;
    TAutoNAT m_nat;
    RouterDiscovery m_discovery;
    Timer m_next;
    std::unique_ptr<NatPmpClient> m_natPmp;
    QTimer m_silence;
    int m_exitCode = 1;
};

} // namespace

int printRouterMappings()
{
    return Listing().run();
}

int deleteStoredMappings()
{
    const ProgramFolderChoice folder = findProgramFolder(programFolder(), dataHome());
    if (FileInstanceLock::isHeld(folder.folder)) {
        printErrorLine(QStringLiteral("Kelvane is running and would map them again: stop it first "
                                      "(systemctl --user stop kelvane, and close the desktop program)"));
        return 1;
    }
    const QStringList lines = storedMappingLines();
    if (lines.isEmpty())
        return 0;
    return Deletion(lines).run();
}
