#pragma once

#include "platform/Platform.h"
#include "settings/WriteFailureNotice.h"
#include "ui/NoticeRate.h"
#include "ui/NotificationServer.h"

#include <QHash>
#include <QObject>
#include <QSet>

#include <functional>

class EngineModel;
class QAction;
class QMenu;

// Tells the desktop what the user would otherwise find only in the logs: a
// login nobody answers, a domain the server refuses, a login again with a new
// address, an add the router refuses or a port another host holds. The
// desktop's notification centre shows them where it has one, else the tray
// icon's balloon. At most one notice of a kind every ten minutes; an entry of
// `menu` turns them off, kept in the key store.
class DesktopNotices : public QObject
{
    Q_OBJECT

public:
    // Shows a notice without a notification centre: whether it could.
    using Sink = std::function<bool(const QString& caption, const QString& text)>;
    enum class Kind
    {
        LoginUnanswered,
        DomainRefused,
        AddressChanged,
        MappingRefused,
    };
    // Off when the key store holds "0" under this name.
    static constexpr const char* storedName = "Notices";

    DesktopNotices(const Platform& platform, const QString& caption, EngineModel& model, QMenu& menu,
                   Sink balloon, QObject* parent = nullptr);

    bool enabled() const;
    void setEnabled(bool on);

private:
    void notify(Kind kind, const QString& text);
    // A login of the primary server that went unanswered or was refused.
    void noticeLogins(const QVariant& records);

    Platform m_platform;
    QString m_caption;
    LanguageCode m_language;
    Sink m_balloon;
    NotificationServer m_server;
    NoticeRate m_rate;
    QSet<int> m_asking; // kinds whose notice the server has not answered yet
    QAction* m_toggle;
    QString m_lastAddress;                 // of the last successful login; empty before the first
    QHash<QString, QString> m_loginStates; // of the primary server's logins, by domain
    bool m_loginsKnown = false;            // those before this face were no news
    WriteFailureNotice m_writeFailures{m_platform.messageBoxes};
};
