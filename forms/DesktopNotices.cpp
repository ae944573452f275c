#include "forms/DesktopNotices.h"

#include "engine/EngineModel.h"
#include "messages/Messages.h"
#include "ui/AppIcon.h"

#include <QMenu>

DesktopNotices::DesktopNotices(const Platform& platform, const QString& caption, EngineModel& model,
                               QMenu& menu, Sink balloon, QObject* parent)
    : QObject(parent), m_platform(platform), m_caption(caption),
      m_language(languageCodeFor(platform.language.languageId())), m_balloon(std::move(balloon)),
      m_server(QDBusConnection::sessionBus(), caption, QString::fromLatin1(appIconName))
{
    m_toggle = menu.addAction(QStringLiteral("显示通知"));
    m_toggle->setObjectName(QStringLiteral("N3"));
    m_toggle->setCheckable(true);
    m_toggle->setChecked(m_platform.keyStore.value(QString::fromLatin1(storedName)) != QStringLiteral("0"));
    connect(m_toggle, &QAction::toggled, this, &DesktopNotices::setEnabled);

    model.follow("Logins", this, [this](const QVariant& records) { noticeLogins(records); });
    // The first address a login gets is no change.
    model.follow("PublishedAddress", this, [this, &model](const QVariant& value) {
        const QString address = value.toString();
        const bool changed = !m_lastAddress.isEmpty() && !address.isEmpty() && address != m_lastAddress;
        if (!address.isEmpty())
            m_lastAddress = address;
        if (changed)
            notify(Kind::AddressChanged,
                   Messages::addressChangedNotice(m_language, model.valueAs<QString>("Domain"), address));
    });
    connect(&model, &EngineModel::eventAdded, this, [this](const EventRecord& event) {
        if (event.source == QStringLiteral("router") && event.severity == QStringLiteral("warning"))
            notify(Kind::MappingRefused, event.text);
    });
}

void DesktopNotices::noticeLogins(const QVariant& records)
{
    for (const LoginRecord& record : records.value<LoginRecords>()) {
        if (record.server != QStringLiteral("primary"))
            continue;
        QString& known = m_loginStates[record.domain];
        const bool news = m_loginsKnown && known != record.state;
        known = record.state;
        if (news && record.state == QStringLiteral("unanswered"))
            notify(Kind::LoginUnanswered, Messages::noAnswer(m_language, record.domain));
        else if (news && record.state == QStringLiteral("refused"))
            notify(Kind::DomainRefused, Messages::domainRefusedNotice(m_language, record.domain));
    }
    m_loginsKnown = true;
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
    const QDateTime now = m_platform.clock.now();
    if (!enabled() || m_asking.contains(int(kind)) || !m_rate.allows(int(kind), now))
        return;
    m_asking.insert(int(kind));
    m_server.notify(m_caption, text, [this, kind, text, now](bool taken) {
        m_asking.remove(int(kind));
        if (taken || m_balloon(m_caption, text))
            m_rate.shown(int(kind), now);
    });
}
