#include "daemon/RouterMappings.h"

#include "daemon/LogLine.h"
#include "daemon/RouterJob.h"
#include "messages/LanguageCode.h"
#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "platform/CodePage.h"
#include "platform/Console.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemLanguage.h"
#include "platform/InstanceLock.h"
#include "portmap/MappingFiles.h"
#include "portmap/MappingLine.h"
#include "portmap/upnp/RouterMappingList.h"
#include "settings/TextFile.h"

#include <QCoreApplication>

#include <memory>
#include <optional>
#include <utility>

namespace {

// The stored list, where the program keeps it.
QStringList storedMappingLines()
{
    const QString path =
        MappingFiles::listPath(MappingFiles::folder(chooseProgramFolder(programFolder(), dataHome())));
    LocaleSystemLanguage language;
    const LoadedLines loaded = loadTextLines(path, CodePage::forLanguage(language.languageId()));
    return loaded.state == LoadedLines::State::Loaded ? loaded.lines : QStringList();
}

// The router's list, one line a mapping.
class Listing final : public RouterJob
{
public:
    Listing() : m_list(m_nat) {}

private:
    void step() override
    {
        m_list.start([this](const RouterMappingList::Result& result) { print(result); });
    }

    bool ownTaskEnded(bool succeeded) override
    {
        if (m_nat.task() != TAutoNAT::TaskType::MappingAt)
            return false;
        if (succeeded)
            printProgress(Messages::PortMapping::routerMappingsRead(++m_read));
        m_list.taskEnded(succeeded);
        return true;
    }

    // A router with UPnP off may speak NAT-PMP, which has no list to give.
    void noUpnpRouter(const QHostAddress& gateway) override
    {
        m_natPmp = std::make_unique<NatPmpClient>(gateway);
        QObject::connect(m_natPmp.get(), &NatPmpClient::externalAddressRead, qApp, [this, gateway] {
            LocaleSystemLanguage language;
            printErrorLine(Messages::natPmpCannotList(languageCodeFor(language.languageId()), gateway.toString()));
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
        printProgress({});
        // Any host of the network may describe a mapping as it likes.
        for (const QString& line : RouterMappingList::describe(result, m_nat.LocalIp(), storedMappingLines()))
            printLine(withControlsEscaped(line));
        finish(result.complete ? 0 : 1);
    }

    RouterMappingList m_list;
    int m_read = 0;
};

// Each stored line deleted from the router, by UPnP or else by NAT-PMP. A
// UPnP router deletes by port whoever holds it: it is asked first, and a port
// another host holds now is left to it.
class Deletion final : public RouterJob
{
public:
    explicit Deletion(QStringList lines) : m_lines(std::move(lines)) {}

private:
    bool ownTaskEnded(bool succeeded) override
    {
        if (m_nat.task() == TAutoNAT::TaskType::MappingEntry) {
            asked(succeeded);
        } else if (m_nat.task() == TAutoNAT::TaskType::DeletePort) {
            report(succeeded);
        } else {
            return false;
        }
        stepAgain();
        return true;
    }

    void asked(bool succeeded)
    {
        const auto& entry = m_nat.mappingEntry();
        const QString holder = entry ? QString::fromLatin1(entry->internalClient) : QString();
        if (succeeded && entry && MappingLine::heldElsewhere(holder, m_nat.LocalIp(), *m_ports)) {
            LocaleSystemLanguage language;
            const LanguageCode code = languageCodeFor(language.languageId());
            const QString description = QString::fromUtf8(entry->description);
            printLine(withControlsEscaped(
                Messages::portHeldByOther(code, m_ports->publicPort, m_ports->protocol, holder, description)));
        } else if (succeeded && entry) {
            m_confirmed = true;
        } else if (m_nat.fault() && m_nat.fault()->code == SoapAnswer::Fault::noSuchEntry) {
            printLine(m_current + QStringLiteral(": ") + Messages::PortMapping::notOnRouter());
        } else {
            report(false);
        }
    }

    void noUpnpRouter(const QHostAddress& gateway) override
    {
        m_natPmp = std::make_unique<NatPmpClient>(gateway);
        QObject::connect(m_natPmp.get(), &NatPmpClient::unmapped, qApp, [this] { reportAndGoOn(true); });
        QObject::connect(m_natPmp.get(), &NatPmpClient::refused, qApp, [this] { reportAndGoOn(false); });
        step();
    }

    void reportAndGoOn(bool deleted)
    {
        heard();
        report(deleted);
        step();
    }

    void step() override
    {
        if (std::exchange(m_confirmed, false)) {
            if (m_nat.DeletePort(m_ports->publicPort, m_ports->protocol))
                return;
            report(false);
        }
        while (m_index < m_lines.size()) {
            m_ports = MappingLine::ports(m_lines.at(m_index++));
            if (!m_ports)
                continue;
            m_current = MappingLine::key(*m_ports);
            if (m_natPmp) {
                m_natPmp->unmap(NatPmp::protocolNamed(m_ports->protocol), quint16(m_ports->localPort),
                                quint16(m_ports->publicPort));
                return;
            }
            if (m_nat.GetPortMapping(m_ports->publicPort, m_ports->protocol))
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

    QStringList m_lines;
    qsizetype m_index = 0;
    std::optional<MappingLine::Ports> m_ports; // the line's
    QString m_current;                         // "8080 TCP"
    bool m_confirmed = false;                  // the router says this machine holds it: deleted next
    int m_failures = 0;
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
