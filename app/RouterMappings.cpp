#include "app/RouterMappings.h"

#include "messages/PortMappingMessages.h"
#include "platform/CodePage.h"
#include "platform/Console.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemLanguage.h"
#include "platform/ThreadedHostResolver.h"
#include "portmap/RouterMappingList.h"
#include "portmap/uAutoNAT.h"
#include "settings/TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

namespace {

class ConsoleMessageBoxes final : public MessageBoxes
{
public:
    void show(const QString& caption, const QString& text) override { printErrorLine(caption + u' ' + text); }
};

// The stored list, where the program keeps it.
QStringList storedMappingLines()
{
    const ProgramFolderChoice folder = chooseProgramFolder(programFolder(), dataHome());
    const QString path = QDir(folder.installed ? folder.folder : QDir::currentPath()).filePath("jilu.txt");
    LocaleSystemLanguage language;
    const LoadedLines loaded = loadTextLines(path, CodePage::forLanguage(language.languageId()));
    return loaded.state == LoadedLines::State::Loaded ? loaded.lines : QStringList();
}

// Search, the description of each device that answered until one is a
// router, then the list: the same steps as the port mapping window.
class Listing
{
public:
    Listing() : m_nat(m_resolver, m_messageBoxes), m_list(m_nat)
    {
        m_nat.OnTaskSuccess = [this](TAutoNAT*) { taskEnded(true); };
        m_nat.OnTaskFail = [this](TAutoNAT*) { taskEnded(false); };
        m_nextDevice.setOnTimer([this] { tryNextDevice(); });
    }

    int run()
    {
        m_nat.FindDevice();
        QTimer::singleShot(120000, qApp, [this] { finish(1); });
        qApp->exec();
        return m_exitCode;
    }

private:
    void taskEnded(bool succeeded)
    {
        switch (m_nat.task()) {
        case TAutoNAT::TaskType::Search:
            if (succeeded)
                m_nextDevice.setInterval(1);
            else
                noRouter();
            break;
        case TAutoNAT::TaskType::ControlPage:
            if (succeeded)
                m_list.start([this](const RouterMappingList::Result& result) { print(result); });
            else
                m_nextDevice.setInterval(1);
            break;
        case TAutoNAT::TaskType::MappingAt:
            m_list.taskEnded(succeeded);
            break;
        default:
            noRouter(); // the search or a description timed out
            break;
        }
    }

    void tryNextDevice()
    {
        m_nextDevice.setInterval(0);
        if (!m_described) {
            m_described = true;
            m_nat.GetControlPage();
        } else if (m_nat.takeNextDevice()) {
            m_nat.GetControlPage();
        } else if (m_nat.searchListening()) {
            m_nextDevice.setInterval(500);
        } else {
            noRouter();
        }
    }

    void noRouter()
    {
        printErrorLine(Messages::PortMapping::routerMappingsNoRouter());
        finish(1);
    }

    void print(const RouterMappingList::Result& result)
    {
        for (const QString& line : RouterMappingList::describe(result, m_nat.LocalIp(), storedMappingLines()))
            printLine(line);
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
    RouterMappingList m_list;
    Timer m_nextDevice;
    bool m_described = false;
    int m_exitCode = 1;
};

} // namespace

int printRouterMappings()
{
    return Listing().run();
}
