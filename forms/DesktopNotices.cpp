#include "forms/DesktopNotices.h"

#include "messages/Messages.h"
#include "engine/KeeperView.h"
#include "engine/LoginsView.h"

#include <QMenu>

DesktopNotices::DesktopNotices(const Platform& platform, const QString& caption, LoginsView& logins,
                               KeeperView& keeper, QMenu& menu, Sink sink, QObject* parent)
    : QObject(parent), m_platform(platform), m_caption(caption), m_language(logins.languageCode()),
      m_sink(std::move(sink))
{
    m_toggle = menu.addAction(QStringLiteral("显示通知"));
    m_toggle->setObjectName(QStringLiteral("N3"));
    m_toggle->setCheckable(true);
    m_toggle->setChecked(m_platform.keyStore.value(QString::fromLatin1(storedName)) != QStringLiteral("0"));
    connect(m_toggle, &QAction::toggled, this, &DesktopNotices::setEnabled);

    connect(&logins, &LoginsView::loginUnanswered, this, [this](const QString& domain) {
        notify(Kind::LoginUnanswered, Messages::noAnswer(m_language, domain));
    });
    connect(&logins, &LoginsView::domainRefused, this, [this](const QString& domain) {
        notify(Kind::DomainRefused, Messages::domainRefusedNotice(m_language, domain));
    });
    // The first address a login gets is no change.
    m_lastAddress = logins.publishedAddress();
    connect(&logins, &LoginsView::publishedAddressChanged, this, [this, &logins](const QString& address) {
        const bool changed = !m_lastAddress.isEmpty() && address != m_lastAddress;
        m_lastAddress = address;
        if (changed)
            notify(Kind::AddressChanged,
                   Messages::addressChangedNotice(m_language, logins.domain().trimmed(), address));
    });
    connect(&keeper, &KeeperView::addRefused, this,
            [this](const QString& text) { notify(Kind::MappingRefused, text); });
}

bool DesktopNotices::enabled() const
{
    return m_toggle->isChecked();
}

void DesktopNotices::setEnabled(bool on)
{
    m_toggle->setChecked(on);
    const WriteResult written = m_platform.keyStore.setValue(QString::fromLatin1(storedName),
                                                             on ? QStringLiteral("1") : QStringLiteral("0"));
    m_writeFailures.report(m_caption, m_language, QString(), written);
}

void DesktopNotices::notify(Kind kind, const QString& text)
{
    if (enabled() && m_rate.allow(int(kind), m_platform.clock.now()))
        m_sink(m_caption, text);
}
