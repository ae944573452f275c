// What the window shows of the mapping keeper, and the user's actions it
// hands over. The fields below the list serve only the user's own add or
// delete.

#include "forms/TForm111.h"

#include "engine/EngineActions.h"
#include "engine/EngineModel.h"
#include "engine/EngineRecords.h"
#include "forms/AppShell.h"
#include "messages/PinholeMessages.h"
#include "messages/PortMappingMessages.h"
#include "portmap/MappingLabels.h"
#include "portmap/MappingLine.h"
#include "settings/InputRefusals.h"
#include "settings/InputRules.h"
#include "settings/TextFile.h"
#include "ui/ListWindow.h"
#include "ui/LogBox.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <limits>

namespace Text = Messages::PortMapping;

namespace {

// Before the router told it.
const QString noExternalAddress = QStringLiteral("0.0.0.0");

// After the mapping's result, once the router offers pinholes.
QString pinholeSummary(const PinholeRecords& pinholes)
{
    if (pinholes.isEmpty())
        return {};
    const auto open = std::count_if(pinholes.cbegin(), pinholes.cend(), [](const PinholeRecord& pinhole) {
        return pinhole.state == QStringLiteral("open");
    });
    return QStringLiteral("  ") +
           Messages::Pinholes::summary(LanguageCode::Jt, int(open), int(pinholes.size()));
}

} // namespace

void TForm111::connectKeeper()
{
    for (const EventRecord& event : m_model.events())
        showEngineEvent(event);
    connect(&m_model, &EngineModel::eventAdded, this,
            [this](const EventRecord& event) { showEngineEvent(event); });
    for (const char* name :
         {"RouterState", "RouterProtocol", "RouterName", "MappingOutcome", "MappingOutcomeCode",
          "MappingOutcomeText", "MappingChangeReady", "ReapplyReady"})
        m_model.follow(name, this, [this](const QVariant&) { showStatus(); });
    m_model.follow("MappingLines", this, [this](const QVariant&) { showLines(); });
    m_model.follow("Pinholes", this, [this](const QVariant&) { showStatus(); });
    m_model.follow("IPv6Pinholes", this, [this](const QVariant& on) { CheckBox2->setChecked(on.toBool()); });
    connect(CheckBox2, &QCheckBox::clicked, this, [this](bool on) { m_actions.setIPv6Pinholes(on); });
    m_model.follow("RouterExternalAddress", this, [this](const QVariant& address) {
        Edit3->setText(address.toString().isEmpty() ? noExternalAddress : address.toString());
    });
    // An address the user typed stays; the keeper's replaces any other.
    m_model.follow("InternalClient", this, [this](const QVariant& address) {
        if (!m_clientTyped)
            Edit1->setText(address.toString());
    });
    // The list is the user's to edit; the next add or delete saves it.
    connect(Memo2, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showingLines)
            return;
        const QStringList lines = splitLines(Memo2->toPlainText());
        if (lines == m_model.valueAs<QStringList>("MappingLines"))
            return;
        if (const QString refusal = InputRefusals::mappingList(lines); !refusal.isEmpty()) {
            logRefusalOnce(refusal);
            return;
        }
        m_lastRefusal.clear();
        m_sentLines.send(lines, m_model.valueAs<QStringList>("MappingLines"));
        m_actions.setMappingLines(lines);
    });
}

// The window's own texts are simplified Chinese in every language.
void TForm111::showEngineEvent(const EventRecord& event)
{
    if (event.source != QStringLiteral("router"))
        return;
    if (event.severity == QStringLiteral("info")) {
        Memo1->appendLine(event.text);
    } else if (event.severity == QStringLiteral("error")) {
        const qsizetype colon = event.text.indexOf(QStringLiteral(": "));
        m_writeFailures.report(m_shell.title, LanguageCode::Jt, event.text.left(colon),
                               WriteResult::failure(event.text.mid(colon + 2)));
    }
}

void TForm111::showStatus()
{
    Label6->setText(MappingLabels::router(
        MappingLabels::routerSeenNamed(m_model.valueAs<QString>("RouterState")),
        m_model.valueAs<QString>("RouterProtocol"), m_model.valueAs<QString>("RouterName")));
    Label10->setText(
        MappingLabels::result({MappingLabels::outcomeKindNamed(m_model.valueAs<QString>("MappingOutcome")),
                               m_model.valueAs<int>("MappingOutcomeCode"),
                               m_model.valueAs<QString>("MappingOutcomeText")}) +
        pinholeSummary(m_model.valueAs<PinholeRecords>("Pinholes")));
    Button1->setEnabled(m_model.valueAs<bool>("MappingChangeReady"));
    BitBtn6->setEnabled(m_model.valueAs<bool>("ReapplyReady"));
}

void TForm111::showLines()
{
    const QStringList lines = m_model.valueAs<QStringList>("MappingLines");
    // The user's own edit is already there, cursor and all.
    if (m_sentLines.isEcho(lines) || splitLines(Memo2->toPlainText()) == lines)
        return;
    m_showingLines = true;
    Memo2->setPlainText(lines.join(u'\n'));
    m_showingLines = false;
}

void TForm111::logRefusalOnce(const QString& refusal)
{
    if (refusal == m_lastRefusal)
        return;
    m_lastRefusal = refusal;
    Memo1->appendLine(refusal);
}

// The fields are checked here, as the keeper would: what goes out is a mapping.
void TForm111::Button1Click()
{
    const bool adds = RadioButton3->isChecked();
    const QString protocol = RadioButton1->isChecked() ? QStringLiteral("TCP") : QStringLiteral("UDP");
    const auto publicPort = MappingLine::port(Edit4->text());
    const auto localPort = MappingLine::port(Edit2->text());
    const QString client = Edit1->text();
    const QString line =
        MappingLine::make(Edit3->text(), Edit4->text().trimmed(), protocol, client, Edit2->text().trimmed());
    const QStringList lines = m_model.valueAs<QStringList>("MappingLines");
    if (!publicPort || !localPort)
        Memo1->appendLine(Text::portNotANumber());
    else if (!InputRules::mappingLineProblem(line).isEmpty())
        Memo1->appendLine(Text::mappingInvalid());
    else if (adds && !lines.contains(line) && !InputRules::listSizeProblem(lines.size() + 1).isEmpty())
        Memo1->appendLine(Text::listTooLong(InputRules::maxListLines));
    else if (adds)
        m_actions.addMapping(protocol, quint16(*publicPort), client, quint16(*localPort));
    else
        m_actions.deleteMapping(protocol, quint16(*publicPort));
}

void TForm111::BitBtn6Click()
{
    m_actions.reapplyMappings();
}

void TForm111::showListMenu(const QPoint& position)
{
    QMenu* menu = Memo2->createStandardContextMenu(position);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    QAction* withdraw =
        menu->addAction(Text::withdrawalAction(), this, [this] { m_actions.withdrawMappings(); });
    withdraw->setObjectName(QStringLiteral("withdrawMappings"));
    // As "重置": the list's turn on the router.
    withdraw->setEnabled(m_model.valueAs<bool>("ReapplyReady"));
    menu->popup(Memo2->viewport()->mapToGlobal(position));
}

// Not a number: a minute; the engine's bounds otherwise.
void TForm111::CheckBox1Click()
{
    bool isNumber = false;
    const qint64 seconds = Edit5->text().toLongLong(&isNumber);
    m_actions.setAddressCheck(
        CheckBox1->isChecked(),
        isNumber ? uint(std::clamp<qint64>(seconds, InputRules::minCheckSeconds, InputRules::maxCheckSeconds))
                 : 60U);
}

void TForm111::Edit5Change()
{
    if (!InputRules::checkIntervalProblem(Edit5->text()).isEmpty()) {
        logRefusalOnce(Text::checkIntervalRefused(InputRules::minCheckSeconds, InputRules::maxCheckSeconds));
        return;
    }
    m_lastRefusal.clear();
    m_actions.setAddressCheck(m_model.valueAs<bool>("AddressCheck"), Edit5->text().trimmed().toUInt());
}

void TForm111::showRouterMappings()
{
    if (!m_routerMappingsView) {
        m_routerMappingsView = new ListWindow(Text::routerMappingsTitle(), this);
        m_routerMappingsView->setObjectName(QStringLiteral("routerMappingsView"));
    }
    m_routerMappingsView->setLines({Text::routerMappingsTitle() + QStringLiteral("...")});
    m_routerMappingsView->show();
    m_routerMappingsView->raise();
    m_actions.listRouterMappings([view = QPointer(m_routerMappingsView)](const QStringList& lines) {
        if (view)
            view->setLines(lines);
    });
}
