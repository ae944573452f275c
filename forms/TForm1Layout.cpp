#include "forms/TForm1.h"

#include "messages/TimeStamps.h"
#include "settings/deployment.h"
#include "ui/ClickableLabel.h"
#include "ui/ClockLabel.h"
#include "ui/EventLog.h"
#include "ui/StatusPanels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QLineEdit* passwordField(QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setEchoMode(QLineEdit::Password);
    field->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // shown as "*"
    return field;
}

QLabel* redLabel(QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("127.0.0.1   "), parent);
    label->setStyleSheet(QStringLiteral("color: red;"));
    // Addresses come from the network: never markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

void TForm1::buildLayout()
{
    setWindowTitle(QStringLiteral("Kelvane动态域名解析(自动端口映射)"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(designedSize);

    auto* toolbar = new QToolBar(this);
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(20, 20));
    addToolBar(toolbar);
    buildMenus(toolbar);
    addToolBarBreak();
    auto* addressBand = new QToolBar(this);
    addressBand->setMovable(false);
    addressBand->addWidget(buildAddressBand());
    addToolBar(addressBand);

    auto* central = new QWidget(this);
    auto* columns = new QSplitter(Qt::Horizontal, central);
    columns->setHandleWidth(3);
    columns->setChildrenCollapsible(false);

    // Both columns join the splitter while still empty: it measures every
    // column at each addition, which would lay out all their texts (and load
    // the fonts) while the window is hidden in the tray.
    auto* Panel1 = new QWidget(columns);
    buildRightArea(columns);
    Panel1->setFixedWidth(273);
    auto* left = new QVBoxLayout(Panel1);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(buildLoginPanel());
    m_logOrOptions = new QStackedWidget(Panel1);
    dlrz = new EventLog(m_logOrOptions);
    dlrz->setAccessibleName(Label9->text().trimmed());
    m_logOrOptions->addWidget(dlrz);
    m_logOrOptions->addWidget(buildAdvancedPanel());
    left->addWidget(m_logOrOptions, 1);

    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 3, 0, 0); // the 3-pixel spacer under the tool strip
    outer->addWidget(columns);
    setCentralWidget(central);

    StatusBar1 = new StatusPanels(this);
    StatusBar1->setPanelText(1, QString::fromUtf8(deployment::vendorLine));
    setStatusBar(StatusBar1);
}

QWidget* TForm1::buildAddressBand()
{
    auto* band = new QWidget(this);
    // The whole width of the tool strip, for the address box to take its share.
    band->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* row = new QHBoxLayout(band);
    row->setContentsMargins(4, 0, 4, 0);
    auto* addressLabel = new QLabel(QStringLiteral("地址(&D)"), band);
    row->addWidget(addressLabel);
    ComboBox1 = new QComboBox(band);
    ComboBox1->setEditable(true);
    addressLabel->setBuddy(ComboBox1);
    ComboBox1->lineEdit()->setAccessibleName(QString(addressLabel->text()).remove(u'&'));
    // Its designed width where the window has it; narrower, not under the
    // labels beside it, where the window is shrunk to fit a small screen.
    ComboBox1->setMinimumWidth(120);
    ComboBox1->setMaximumWidth(369);
    ComboBox1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ComboBox1->setEditText(QString::fromUtf8(deployment::providerWebSite));
    row->addWidget(ComboBox1, 1);
    Label3 = new ClickableLabel(QStringLiteral("转到"), band);
    row->addWidget(Label3);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("本机IP    "), band));
    Label5 = redLabel(band);
    row->addWidget(Label5);
    row->addWidget(new QLabel(QStringLiteral("解析IP    "), band));
    Label7 = redLabel(band);
    row->addWidget(Label7);
    Label18 = new ClockLabel(band);
    // Sized once for a wide time, so that its tick each second repaints the
    // label alone and never lays out the tool strip again.
    const QDateTime wideTime(QDate(2000, 1, 1), QTime(20, 58, 58));
    Label18->showTime(wideTime, longTime(wideTime) + QStringLiteral("    "));
    Label18->setFixedSize(Label18->sizeHint() + QSize(4, 0));
    row->addWidget(Label18);
    // What the address box leaves, once it has its width.
    row->addStretch(0);
    return band;
}

QWidget* TForm1::buildLoginPanel()
{
    auto* Panel2 = new QFrame(this);
    m_loginPanel = Panel2;
    Panel2->setFrameShape(QFrame::StyledPanel);
    Panel2->setFixedHeight(95);
    auto* grid = new QGridLayout(Panel2);
    grid->setContentsMargins(6, 4, 6, 4);
    auto* domainLabel = new QLabel(QStringLiteral("域名"), Panel2);
    grid->addWidget(domainLabel, 0, 0);
    nameedit = new QLineEdit(Panel2);
    domainLabel->setBuddy(nameedit);
    grid->addWidget(nameedit, 0, 1, 1, 2);
    auto* passwordLabel = new QLabel(QStringLiteral("密码"), Panel2);
    grid->addWidget(passwordLabel, 1, 0);
    passedit = passwordField(Panel2);
    passwordLabel->setBuddy(passedit);
    grid->addWidget(passedit, 1, 1);
    Button4 = new QPushButton(QStringLiteral("登录"), Panel2);
    grid->addWidget(Button4, 1, 2);
    zddr = new QCheckBox(QStringLiteral("自动登录"), Panel2);
    grid->addWidget(zddr, 2, 0, 1, 2);
    auto* links = new QHBoxLayout;
    Label9 = new ClickableLabel(QStringLiteral("登录日志        "), Panel2);
    Label8 = new ClickableLabel(QStringLiteral("高级设置  "), Panel2);
    links->addWidget(Label9);
    links->addWidget(Label8);
    grid->addLayout(links, 2, 2);
    return Panel2;
}

QWidget* TForm1::buildAdvancedPanel()
{
    Panel8 = new QFrame(this);
    auto* grid = new QGridLayout(Panel8);
    grid->setContentsMargins(6, 6, 6, 6);
    int row = 0;
    grid->addWidget(new QLabel(QStringLiteral("下列参数一般用户不需要设置              "), Panel8), row++, 0,
                    1, 3);
    CheckBox5 = new QCheckBox(QStringLiteral("解析为本机IP"), Panel8);
    grid->addWidget(CheckBox5, row, 0, 1, 2);
    Label14 = new ClickableLabel(QStringLiteral("参数含义"), Panel8);
    grid->addWidget(Label14, row++, 2);
    CheckBox2 = new QCheckBox(QStringLiteral("解析固定IP"), Panel8);
    grid->addWidget(CheckBox2, row, 0);
    Edit4 = new QLineEdit(Panel8);
    Edit4->setAccessibleName(CheckBox2->text());
    grid->addWidget(Edit4, row++, 1, 1, 2);
    CheckBox1 = new QCheckBox(QStringLiteral("多用户登陆"), Panel8);
    grid->addWidget(CheckBox1, row, 0);
    CheckBox7 = new QCheckBox(QStringLiteral("隐藏运行"), Panel8);
    grid->addWidget(CheckBox7, row++, 1);
    auto* listHeading = new QLabel(QStringLiteral("添加多用户自动登陆      "), Panel8);
    grid->addWidget(listHeading, row++, 0, 1, 3);
    auto* listDomainLabel = new QLabel(QStringLiteral("域名"), Panel8);
    grid->addWidget(listDomainLabel, row, 0);
    Edit2 = new QLineEdit(Panel8);
    listDomainLabel->setBuddy(Edit2);
    grid->addWidget(Edit2, row++, 1, 1, 2);
    auto* listPasswordLabel = new QLabel(QStringLiteral("密码   "), Panel8);
    grid->addWidget(listPasswordLabel, row, 0);
    Edit3 = passwordField(Panel8);
    listPasswordLabel->setBuddy(Edit3);
    grid->addWidget(Edit3, row++, 1, 1, 2);
    Label16 = new ClickableLabel(QStringLiteral("添加 "), Panel8);
    Label15 = new ClickableLabel(QStringLiteral("删除 "), Panel8);
    grid->addWidget(Label16, row, 1);
    grid->addWidget(Label15, row++, 2);
    Memo2 = new QPlainTextEdit(Panel8);
    Memo2->setReadOnly(true);
    Memo2->setTabChangesFocus(true);
    Memo2->setAccessibleName(listHeading->text().trimmed());
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    grid->addWidget(Memo2, row++, 0, 1, 3);
    grid->setRowStretch(row - 1, 1);
    return Panel8;
}

void TForm1::buildRightArea(QSplitter* columns)
{
    auto* Panel3 = new QWidget(columns);
    auto* column = new QVBoxLayout(Panel3);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* banner = new QWidget(Panel3);
    banner->setFixedHeight(96);
    Image2 = new QLabel(banner);
    Image2->setGeometry(0, 0, 625, 105);
    column->addWidget(banner);
    m_webArea = new QFrame(Panel3);
    m_webArea->setAutoFillBackground(true);
    m_webArea->setStyleSheet(QStringLiteral("background: white;"));
    auto* webLayout = new QVBoxLayout(m_webArea);
    webLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_webArea, 1);
}

// Tests and the keyboard find the controls by these names, the window layout's own.
void TForm1::nameControls()
{
    const std::initializer_list<std::pair<QObject*, const char*>> controls = {
        {ComboBox1, "ComboBox1"}, {Label3, "Label3"},        {Label5, "Label5"},
        {Label7, "Label7"},       {Label18, "Label18"},      {nameedit, "nameedit"},
        {passedit, "passedit"},   {Button4, "Button4"},      {zddr, "zddr"},
        {Label8, "Label8"},       {Label9, "Label9"},        {dlrz, "dlrz"},
        {Panel8, "Panel8"},       {CheckBox5, "CheckBox5"},  {CheckBox1, "CheckBox1"},
        {CheckBox7, "CheckBox7"}, {CheckBox2, "CheckBox2"},  {Edit4, "Edit4"},
        {Edit2, "Edit2"},         {Edit3, "Edit3"},          {Label16, "Label16"},
        {Label15, "Label15"},     {Label14, "Label14"},      {Memo2, "Memo2"},
        {Image2, "Image2"},       {StatusBar1, "StatusBar1"}};
    for (const auto& [control, name] : controls)
        control->setObjectName(QString::fromLatin1(name));
}
