// What the window shows of the mapping keeper, and the user's actions it
// hands over. The fields below the list serve only the user's own add or
// delete.

#include "forms/TForm111.h"

#include "forms/AppShell.h"
#include "messages/PortMappingMessages.h"
#include "engine/KeeperView.h"
#include "settings/TextFile.h"
#include "ui/LogBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

void TForm111::connectKeeper()
{
    connect(&m_keeper, &KeeperView::logged, this,
            [this](const QString& line) { Memo1->appendLine(line); });
    connect(&m_keeper, &KeeperView::statusChanged, this, [this] { showStatus(); });
    connect(&m_keeper, &KeeperView::linesChanged, this, [this] { showLines(); });
    connect(&m_keeper, &KeeperView::externalAddressChanged, Edit3, &QLineEdit::setText);
    // An address the user typed stays; the keeper's replaces any other.
    connect(&m_keeper, &KeeperView::internalClientChanged, this, [this](const QString& address) {
        if (!m_clientTyped)
            Edit1->setText(address);
    });
    // The window's own texts are simplified Chinese in every language.
    connect(&m_keeper, &KeeperView::fileWritten, this,
            [this](const QString& file, const WriteResult& result) {
                m_writeFailures.report(m_shell.title, LanguageCode::Jt, file, result);
            });
    // The list is the user's to edit; the next add or delete saves it.
    connect(Memo2, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showingLines)
            m_keeper.setLines(splitLines(Memo2->toPlainText()));
    });
}

void TForm111::showStatus()
{
    Label6->setText(m_keeper.routerLabel());
    Label10->setText(m_keeper.resultLabel());
    Button1->setEnabled(m_keeper.executeEnabled());
    BitBtn6->setEnabled(m_keeper.reapplyEnabled());
}

void TForm111::showLines()
{
    // The user's own edit is already there, cursor and all.
    if (splitLines(Memo2->toPlainText()) == m_keeper.lines())
        return;
    m_showingLines = true;
    Memo2->setPlainText(m_keeper.lines().join(u'\n'));
    m_showingLines = false;
}

void TForm111::Button1Click()
{
    MappingKeeper::Request request;
    request.action = RadioButton3->isChecked() ? MappingKeeper::Action::Add : MappingKeeper::Action::Delete;
    request.protocol = RadioButton1->isChecked() ? QStringLiteral("TCP") : QStringLiteral("UDP");
    request.publicPort = Edit4->text();
    request.internalClient = Edit1->text();
    request.localPort = Edit2->text();
    m_keeper.execute(request);
}

void TForm111::BitBtn6Click()
{
    m_keeper.reapplyAll();
}

void TForm111::CheckBox1Click()
{
    m_keeper.setAddressCheck(CheckBox1->isChecked(), Edit5->text());
}

void TForm111::Edit5Change()
{
    m_keeper.saveAddressCheckInterval(Edit5->text());
}

void TForm111::showRouterMappings()
{
    namespace Text = Messages::PortMapping;
    if (!m_routerMappingsView) {
        m_routerMappingsView = new QPlainTextEdit(this);
        m_routerMappingsView->setObjectName(QStringLiteral("routerMappingsView"));
        m_routerMappingsView->setWindowFlags(Qt::Window);
        m_routerMappingsView->setWindowTitle(Text::routerMappingsTitle());
        m_routerMappingsView->setAccessibleName(Text::routerMappingsTitle());
        m_routerMappingsView->setTabChangesFocus(true);
        m_routerMappingsView->setReadOnly(true);
        m_routerMappingsView->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_routerMappingsView->resize(520, 260);
    }
    m_routerMappingsView->setPlainText(Text::routerMappingsTitle() + QStringLiteral("..."));
    m_routerMappingsView->show();
    m_routerMappingsView->raise();
    m_keeper.listRouterMappings([view = QPointer(m_routerMappingsView)](const QStringList& lines) {
        if (view)
            view->setPlainText(lines.join(u'\n'));
    });
}
