#include "forms/TForm1.h"

#include "messages/Messages.h"
#include "settings/ProviderPages.h"
#include "ui/ClickableLabel.h"
#include "ui/StatusPanels.h"
#include "ui/ToolbarIcons.h"

#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

namespace {

// A page of the provider's web site; no path means the domain-registration site.
struct PageEntry
{
    const char* control;
    const char* text; // menu text, or the toolbar button's hint
    const char* path;
};

struct MenuEntry
{
    const char* control;
    const char* text;
    // Alt and this key open the menu: its text has no letter to underline.
    char mnemonic;
    std::initializer_list<PageEntry> items;
};

const std::initializer_list<MenuEntry> menus = {
    {"E2", "申请", 'S', {{"mnuCut", "二级域名", "/regedit.shtml"}, {"mnuCopy", "顶级域名", nullptr}}},
    {"N5",
     "常识",
     'C',
     {{"N6", "Win2K建站", "/jzbz2000.asp"},
      {"N7", "XP建站", "/jzbzxp.asp"},
      {"N8", "多域名建站", "/sgymjz.shtml"},
      {"N9", "解析记录常识", "/chanshimore.asp"},
      {"N10", "解析顶级域名", "/djyujx.asp"}}},
    {"N11", "开机运行", 'K', {{"N12", "设置开机自动运行", "/start.shtml"}}},
};

const std::initializer_list<PageEntry> helpMenu = {{"N3", "疑难解答", "/yinanjd.shtml"},
                                                   {"N4", "使用说明", "/help2010.asp"},
                                                   {"mnuAbout", "关于(&A)...", "/"}};

// Left to right; a null control is a separator.
const std::initializer_list<PageEntry> toolbarEntries = {
    {"ToolButton1", "协助", "/ycxz.asp"},
    {"ToolButton2", "申请二级域名", "/regedit.shtml"},
    {"ToolButton3", "申请顶级域名", nullptr},
    {nullptr, nullptr, nullptr},
    {"ToolButton4", "Win2K建站", "/jzbz2000.asp"},
    {"tbCopy", "XP建站", "/jzbzxp.asp"},
    {"tbPaste", "多域名建站", "/sgymjz.shtml"},
    {nullptr, nullptr, nullptr},
    {"ToolButton9", "解析常识", "/chanshimore.asp"},
    {nullptr, nullptr, nullptr},
    {"tbDelete", "解析顶级域名", "/djyujx.asp"},
    {"tbAttribute", "疑难解答", "/yinanjd.shtml"},
    {nullptr, nullptr, nullptr},
    {"tbViewStyle", "使用说明", "/help2010.asp"},
    {nullptr, nullptr, nullptr},
};

QString address(const PageEntry& entry)
{
    return entry.path ? ProviderPages::page(QString::fromUtf8(entry.path))
                      : ProviderPages::domainRegistrationSite();
}

} // namespace

// Without a browser the user can still copy the address from here.
void TForm1::openPage(const QString& url)
{
    if (!m_platform.browser.openUrl(url))
        setStatus(Messages::browserUnavailable(m_language, url));
}

QAction* TForm1::addPageAction(QMenu* menu, const char* control, const char* text, const QString& url)
{
    QAction* action = menu->addAction(QString::fromUtf8(text), this, [this, url] { openPage(url); });
    action->setObjectName(QString::fromLatin1(control));
    return action;
}

void TForm1::addMnemonic(char key, QAction* action)
{
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(key)), this);
    connect(shortcut, &QShortcut::activated, this, [this, action] {
        if (action->menu())
            menuBar()->setActiveAction(action);
        else
            action->trigger();
    });
}

void TForm1::buildMenus(QToolBar* toolbar)
{
    QAction* N1 = menuBar()->addAction(
        QStringLiteral("协助"), this, [this] { openPage(ProviderPages::page(QStringLiteral("/ycxz.asp"))); });
    N1->setObjectName(QStringLiteral("N1"));
    addMnemonic('X', N1);
    QMenu* firstMenu = nullptr;
    for (const MenuEntry& entry : menus) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(entry.text));
        menu->setObjectName(QString::fromLatin1(entry.control));
        addMnemonic(entry.mnemonic, menu->menuAction());
        firstMenu = firstMenu ? firstMenu : menu;
        for (const PageEntry& item : entry.items)
            addPageAction(menu, item.control, item.text, address(item));
    }
    // F10 opens the menu bar, as on other desktops; the arrows go on from there.
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            [this, firstMenu] { menuBar()->setActiveAction(firstMenu->menuAction()); });
    QMenu* N13 = menuBar()->addMenu(QStringLiteral("端口映射"));
    N13->setObjectName(QStringLiteral("N13"));
    addMnemonic('P', N13->menuAction());
    N13->addAction(QStringLiteral("设置端口映射"), this, [this] { N14Click(); })
        ->setObjectName(QStringLiteral("N14"));
    N13->addAction(QStringLiteral("路由器上的端口映射"), this, [this] { emit routerMappingsRequested(); })
        ->setObjectName(QStringLiteral("routerMappings"));
    addPageAction(N13, "N15", "换不自动映射版本", ProviderPages::page(QStringLiteral("/ddnskhd.asp")));
    QMenu* H1 = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    H1->setObjectName(QStringLiteral("H1"));
    for (const PageEntry& item : helpMenu)
        addPageAction(H1, item.control, item.text, address(item));

    for (const PageEntry& entry : toolbarEntries) {
        if (!entry.control) {
            toolbar->addSeparator();
            continue;
        }
        auto* button = new QToolButton(toolbar);
        button->setObjectName(QString::fromLatin1(entry.control));
        button->setFixedSize(30, 26);
        button->setIcon(toolbarIcon(button->objectName()));
        button->setToolTip(QString::fromUtf8(entry.text));
        button->setAccessibleName(button->toolTip());
        const QString url = address(entry);
        connect(button, &QToolButton::clicked, this, [this, url] { openPage(url); });
        toolbar->addWidget(button);
    }
}

void TForm1::N14Click()
{
    if (!m_portMappingWindow)
        return;
    m_portMappingWindow->show();
    m_portMappingWindow->raise();
    m_portMappingWindow->activateWindow();
}

void TForm1::Label3Click()
{
    const QString url = ComboBox1->currentText().trimmed();
    if (ProviderPages::isWebAddress(url))
        openPage(url);
    else
        setStatus(Messages::notAWebAddress(m_language));
}

void TForm1::Label14Click()
{
    openPage(ProviderPages::page(QStringLiteral("/help2010.asp")));
}
