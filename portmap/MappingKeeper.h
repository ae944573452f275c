#pragma once

#include "messages/LanguageCode.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "platform/Timer.h"
#include "platform/WriteResult.h"
#include "portmap/AnnouncementRate.h"
#include "portmap/MappingLabels.h"
#include "portmap/MappingLine.h"
#include "portmap/MappingPinholes.h"
#include "portmap/RouterMapper.h"
#include "portmap/RouterRecovery.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ClientState;

// Keeps the user's port mappings ("jilu.txt") on the router, through one
// RouterMapper per protocol, all asked at once and the best that answers
// taken (UPnP, else PCP, else NAT-PMP): finds the router and keeps it in reach,
// polls its external address, applies the whole list again when that address
// changes (and once a day), puts back every 5 minutes what the router forgot,
// and at once when the router announces a restart, leaves a port another host
// holds to it, and adds or deletes single mappings on request. A window, a run
// without one or a bus face shows it through its getters and signals; the
// router's external address, and whether the router answers, go to the
// session for the login's checks.
// Its timers tick on the platform's clock, so a test's clock moves them.
class MappingKeeper : public QObject
{
    Q_OBJECT

public:
    enum class ReapplyState
    {
        Idle,   // no loop has run yet
        Ready,  // the loop may take the next line
        Adding, // an add of the loop is under way
    };
    // Where the keeper is with the router.
    enum class RouterState
    {
        Searching, // no router answers yet, or it was given up
        Found,     // found; its address is asked once its client has settled
        Ready,     // its address answered: polls, adds and checks may run
    };
    enum class Action
    {
        Add,
        Delete,
    };
    // A mapping as the user typed it: used for that add or delete only.
    struct Request
    {
        Action action = Action::Add;
        QString protocol; // "TCP" or "UDP"
        QString publicPort;
        QString internalClient;
        QString localPort;
    };

    // `folder` holds "jilu.txt" and "shijian.txt".
    MappingKeeper(const Platform& platform, ClientState& session, QString folder, QObject* parent = nullptr);
    // With the mappers to ask, the most preferred first.
    MappingKeeper(const Platform& platform, ClientState& session, QString folder,
                  std::vector<std::unique_ptr<RouterMapper>> mappers, QObject* parent = nullptr);
    ~MappingKeeper() override;

    // Loads both files (making missing ones) and searches for the router a second later.
    void start();
    // Reads both files again and applies the list again once the router's
    // address is known: a service takes edited files without a restart.
    void reloadFiles();

    // The user's add or delete ("执行"): an add is stored once the router has
    // taken it; a delete of a stored line takes it out of the list and off the router.
    // A request whose line InputRules refuses, or an add to a full list, sends nothing.
    void execute(const Request& request);
    // Applies every stored line again ("重置"), ports another host held included.
    void reapplyAll();
    // Deletes every stored line from the router and keeps the list: none goes
    // back until reapplyAll() or the next start. Needs a router that answers.
    void withdrawAll();
    // The list as the user edited it by hand; saved with the next add or delete.
    // A list longer than InputRules::maxListLines, or with a line that is no
    // mapping, is refused whole, and said in the log.
    void setLines(const QStringList& lines);
    // The automatic address check: on or off, every `secondsText` seconds
    // (at least 15; 60 when no number).
    void setAddressCheck(bool on, const QString& secondsText);
    // Keeps the check's interval in "shijian.txt"; a running check keeps its
    // own. An interval InputRules refuses is said in the log and not kept.
    void saveAddressCheckInterval(const QString& secondsText);

    // Lists every mapping the router holds; `done` gets the lines to show, or
    // why there are none.
    void listRouterMappings(std::function<void(const QStringList& lines)> done);

    QStringList lines() const { return m_lines; }
    QStringList intervalLines() const { return m_intervalLines; }
    // "0.0.0.0" until the router has reported it.
    QString externalAddress() const { return m_externalAddress; }
    // This machine's address towards the router: where re-applied mappings lead.
    QString internalClient() const { return m_internalClient; }
    RouterSeen routerSeen() const { return m_routerSeen; }
    // What the last add of a mapping came to; none while one runs.
    const MappingOutcome& outcome() const { return m_outcome; }
    bool executeEnabled() const { return m_executeEnabled; }
    bool reapplyEnabled() const { return m_reapplyEnabled; }
    QString routerName() const;
    QString routerAddress() const;
    // "UPnP", "PCP" or "NAT-PMP" once a router answered; empty before.
    QString routerProtocol() const;
    RouterState routerState() const { return m_routerState; }
    // The ports other hosts hold on the router ("8080 TCP"), each with its holder.
    const QHash<QString, QString>& portsHeldByOthers() const { return m_heldByOthers; }
    // What the router is told each mapping is for.
    static inline const QString mappingDescription = RouterMapper::mappingDescription;
    // The IPv6 pinholes option, kept in the key store: on unless stored "0".
    static inline const QString pinholesOptionName = QStringLiteral("IPv6Pinholes");
    WriteResult setPinholesOption(bool on);
    // The IPv6 pinholes beside the mappings, where the router offers them.
    MappingPinholes& pinholes() { return m_pinholes; }
    const MappingPinholes& pinholes() const { return m_pinholes; }
    // The mapper of that protocol ("UPnP", "PCP", "NAT-PMP"); none when it is not asked.
    RouterMapper* mapperOf(const QString& protocol) const;

    ReapplyState reapplyState() const { return m_reapply.state; }
    // The list line the loop takes next.
    int reapplyIndex() const { return m_reapply.next; }

    Timer startupSearch;        // 1 s after start: the first search
    Timer pollAfterDescription; // 2 s after the description: the first address poll
    Timer reapplyTimer;         // one line of the loop a second
    Timer addressCheckTimer;    // the automatic address check
    Timer routerPollTimer;      // the address poll, every 11111 ms
    // A router may let "permanent" mappings lapse (IGD:2 makes them 7-day
    // leases): the whole list is applied again once a day as well.
    Timer dailyReapplyTimer;
    // The next search while no router answers.
    Timer researchTimer;
    // A router that restarted, or whose mappings were deleted from outside,
    // keeps its address: its mappings are looked at every 5 minutes.
    Timer mappingCheckTimer;
    // Steps of the mapping check, and a poll that waited for another task;
    // they start router tasks from a tick, never from inside a task's handler.
    Timer checkStepTimer;
    Timer deferredPollTimer;
    // A restart the router announced: acted on shortly after its burst of
    // announcements, and at most that often whatever the network sends.
    Timer announcementTimer;
    // The deletes of withdrawAll(), one at a time.
    Timer withdrawalTimer;

    void startupSearchTick();
    void pollAfterDescriptionTick();
    void reapplyNext();
    void routerPoll();
    void reapplyDaily();
    void searchAgain();
    void checkMappings();
    void checkNextMapping();
    // The address poll of the timers: it waits while another task of the
    // router runs, and needs a router.
    void pollExternalAddress();
    void actOnAnnouncement();
    void withdrawNext();

signals:
    // Every line of the operation log.
    void logged(const QString& line);
    // The labels or the enabled actions changed.
    void statusChanged();
    void linesChanged(const QStringList& lines);
    void externalAddressChanged(const QString& address);
    void internalClientChanged(const QString& address);
    // A mapping line the router took, or let go of.
    void mappingAdded(const QString& line);
    void mappingDeleted(const QString& line);
    // The router refused an add (held by another host, say): the status label's text.
    void addRefused(const QString& text);
    // The router refused the add of `line`, for `reason` (its error, in English).
    void mappingRefused(const QString& line, const QString& reason);
    // Every write of one of its files: the file's name and how it went.
    void fileWritten(const QString& file, const WriteResult& result);

private:
    // The add under way, from the router's first question to its answer.
    struct AddUnderWay
    {
        enum class Origin
        {
            User, // stored once the router takes it
            Loop, // of the re-apply loop: its line is in the list already
        };
        MappingLine::Ports mapping;
        QString line;
        Origin origin = Origin::User;

        bool byUser() const { return origin == Origin::User; }
        bool ofTheLoop() const { return origin == Origin::Loop; }
    };

    void listen(RouterMapper& mapper);
    // The machine's addresses changed: a router may have come into reach.
    void addressesChanged();
    // The router steps.
    void searchRouter();
    // What one mapper's search came to; the best router is taken once every
    // mapper preferred to it has found none.
    void findEnded(const RouterMapper& mapper, bool found, const std::optional<QString>& address = {});
    void takeBestRouter();
    bool leads(std::size_t index) const;
    void takeRouter(std::size_t index);
    // The mappers let go of their routers, and their searches.
    void stopAll();
    void onFound();
    void onFoundWithAddress(const QString& address);
    // After a move the log says which router answers now.
    void noteRouter();
    void addMapping(const MappingLine::Ports& mapping, const QString& internalClient, const QString& line,
                    AddUnderWay::Origin origin);
    void requestExternalAddress();
    void deleteMapping(const MappingLine::Ports& mapping, const QString& line);
    void onAddEnded(const RouterMapper::AddResult& result);
    void endAddAttempt(const RouterMapper::AddResult& result);
    // `text` says who holds the port, or what the router offered instead.
    void portHeld(const QString& holder, const QString& text);
    // A holder that is none of this machine's addresses (now, or when the line was made).
    bool heldByAnotherHost(const QString& holder, const MappingLine::Ports& mapping) const;
    void onMappedAgain(const MappingLine::Ports& asked, int givenPort);
    // The stored line that is that mapping, local port included.
    std::optional<QString> storedLine(const MappingLine::Ports& mapping) const;
    void startReapply();
    void onDeleteEnded(bool succeeded);
    void onExternalAddress(const QString& address);
    void onExternalAddressFailed(bool answered);
    void endAdd();
    void showAddRefusal(const RouterMapper::AddResult& result, const QString& line);
    void retryUnansweredAdd();
    void routerLost();
    void refreshInternalClient();
    void afterTask();
    void announcementArrived(RouterMapper::Announcement announcement);
    void changeAnnounced(RouterMapper& mapper);
    void startMappingCheck();
    void onLookedUp(const RouterMapper::Entry& entry);
    void finishMappingCheck();
    void finishReapplyStep();
    void retryTakenPorts();
    void logUnlessRetrying(const QString& line);
    void withdrawalLookedUp(const RouterMapper::Entry& entry);
    void withdrawalStepEnded(bool succeeded);
    void finishWithdrawal();
    bool routerKnown() const { return m_routerState == RouterState::Ready; }
    bool anyBusy() const;

    // The state the views show.
    void setRouterSeen(RouterSeen seen);
    void setOutcome(MappingOutcome outcome);
    void setEnabled(bool execute, bool reapply);
    void setExternalAddress(const QString& address);
    void setStoredLines(const QStringList& lines);
    void log(const QString& line);
    void logRefusalOnce(const QString& refusal);

    void loadFiles();
    void saveList();
    void writeLines(const QString& path, const QStringList& lines);

    Platform m_platform;
    ClientState& m_session;
    QString m_folder;
    CodePage m_codePage;
    LanguageCode m_language;
    // In order of preference; the one in use, or while searching the one
    // preferred of those still looking.
    std::vector<std::unique_ptr<RouterMapper>> m_mappers;
    RouterMapper* m_router = nullptr;
    // While searching, each mapper's search: under way (none), or what it found.
    struct Find
    {
        bool ended = false;
        bool found = false;
        std::optional<QString> address; // a router found by its address answer
    };
    std::vector<Find> m_finds;
    QStringList m_lastRouter; // the name and address of the router used before
    RouterState m_routerState = RouterState::Searching;
    RouterRecovery m_recovery;
    RouterMapper::Announcement m_announced = RouterMapper::Announcement::Nothing;
    AnnouncementRate m_announcementRate;

    QStringList m_lines;
    QStringList m_intervalLines{QStringLiteral("60")};
    QString m_externalAddress = QStringLiteral("0.0.0.0");
    QString m_internalClient;
    RouterSeen m_routerSeen = RouterSeen::Searching;
    MappingOutcome m_outcome;
    bool m_executeEnabled = false;
    bool m_reapplyEnabled = false;
    QString m_lastRefusal; // of the user's edit, while it stays refused

    bool m_pollWaiting = false;     // a poll waits for the running task
    bool m_searchAfterTask = false; // the addresses changed during a task: search right after it
    std::optional<AddUnderWay> m_add;
    // Ports of the list another host holds ("8080 TCP" -> its address): said
    // once, and not tried again until it lets go or the user asks.
    QHash<QString, QString> m_heldByOthers;
    // The stored lines taken off the router: while that runs, and after it
    // until the list is applied again.
    struct Withdrawal
    {
        enum class State
        {
            None,
            Deleting,
            Done,
        };
        // The router is asked who holds a line's port before it is deleted:
        // a delete by port would take another host's mapping too.
        struct Step
        {
            QString line;
            bool asking = false;
        };
        State state = State::None;
        QStringList left;
        std::optional<Step> underWay;
        std::optional<QString> confirmed; // ours on the router: deleted next
        int deleted = 0;
        int failed = 0;
        int othersKept = 0; // held by another host, left to it

        bool inProgress() const { return state == State::Deleting; }
        bool keepsListOff() const { return state != State::None; }
    };
    Withdrawal m_withdrawal;
    // The loop that applies the stored lines again, one add a tick.
    struct Reapply
    {
        ReapplyState state = ReapplyState::Idle;
        int next = 0;                   // the list line taken next
        int watched = -1;               // the line of the loop's last add
        bool retried = false;           // that line was tried a second time
        std::optional<QList<int>> only; // the lines the loop applies; all when none
        bool whenAnswering = false;     // the list goes back on the router once its address is read

        // From the first line, every line.
        void restart()
        {
            state = ReapplyState::Ready;
            next = 0;
            watched = -1;
            only.reset();
        }
        bool skips(int index) const { return only && !only->contains(index); }
        // A line tried anew may be tried once more.
        void watch(int index)
        {
            if (index != watched)
                retried = false;
            watched = index;
        }
    };
    Reapply m_reapply;
    QString m_runningDelete; // the line of the delete under way
    // The 5-minute check, while it asks the router about the stored lines one by one.
    struct MappingCheck
    {
        int line = 0;       // the list line asked about
        QList<int> missing; // the lines the router lost, or that lead elsewhere
    };
    std::optional<MappingCheck> m_check;
    MappingPinholes m_pinholes;
};
