#pragma once

#include "messages/LanguageCode.h"

#include <QObject>
#include <QStringList>

#include <optional>

// The login side as the windows see it: what they show and the actions they
// hand over. The engine may run in this process (LocalLogins) or in another
// one on the session bus; the windows cannot tell.
class LoginsView : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QStringList logLines() const = 0;
    virtual QString status() const = 0;
    virtual LanguageCode languageCode() const = 0;
    virtual QString domain() const = 0;
    virtual QString password() const = 0;
    // Empty before the first login.
    virtual QString localAddress() const = 0;
    virtual QString publishedAddress() const = 0;
    virtual QStringList multiUserLines() const = 0;
    virtual bool autoLogin() const = 0;
    virtual bool multiUserOn() const = 0;
    virtual bool resolveLocalTicked() const = 0;
    virtual bool fixedAddressOn() const = 0;
    // A file of the settings folder (the banner).
    virtual QString settingsFile(const QString& name) const = 0;

    // From the first show on the options save.
    virtual void begin() = 0;
    virtual void logIn(const QString& domain, const QString& password) = 0;
    virtual void setFormCredentials(const QString& domain, const QString& password) = 0;
    virtual void setAutoLogin(bool on) = 0;
    virtual void setMultiUserOption(bool on) = 0;
    virtual void setRunHiddenOption(bool on) = 0;
    virtual void setResolveLocalOption(bool on) = 0;
    virtual void setFixedAddressOption(std::optional<QString> address) = 0;
    virtual void addListEntry(const QString& domain, const QString& password) = 0;
    virtual void removeListEntry(const QString& taken) = 0;
    virtual void openPage(const QString& url) = 0;
    virtual void setStatus(const QString& text) = 0;
    // The desktop session or the program ends.
    virtual void endSession() = 0;

signals:
    void logLineSet(int index, const QString& text);
    void logLineAppended(const QString& text);
    void statusChanged(const QString& text);
    void credentialsChanged(const QString& domain, const QString& password);
    void localAddressChanged(const QString& address);
    void publishedAddressChanged(const QString& address);
    void multiUserLinesChanged(const QStringList& lines);
    // Any option of the advanced panel, also auto-login.
    void optionsChanged();
    void reloginWanted();
    void loginUnanswered(const QString& domain);
    void domainRefused(const QString& domain);
};
