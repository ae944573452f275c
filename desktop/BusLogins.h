#pragma once

#include "desktop/EchoFilter.h"
#include "engine/LoginsView.h"

#include <QDBusConnection>
#include <QVariantMap>

#include <functional>
#include <utility>

class Browser;

// The login engine of another process, on the session bus, as the windows
// see it. It mirrors the engine's properties from one snapshot on and
// follows its signals; the actions go out as calls, without waiting.
class BusLogins : public LoginsView
{
    Q_OBJECT

public:
    // `ownsEngine`: this face started the engine, and ends it with the session.
    // `savedPassword` gives what this user's files keep for a domain: the
    // engine never tells a password.
    BusLogins(QDBusConnection bus, LanguageCode language, Browser& browser, bool ownsEngine,
              std::function<QString(const QString& domain)> savedPassword, QObject* parent = nullptr);

    // The engine's properties (org.freedesktop.DBus.Properties.GetAll). The
    // signals that came before it are already in it.
    void takeSnapshot(const QVariantMap& properties);

    QStringList logLines() const override { return m_logLines; }
    QString status() const override { return m_status; }
    LanguageCode languageCode() const override { return m_language; }
    QString domain() const override { return m_domain; }
    QString password() const override { return m_password; }
    QString localAddress() const override { return m_localAddress; }
    QString publishedAddress() const override { return m_publishedAddress; }
    QStringList multiUserLines() const override { return m_multiUserLines; }
    bool autoLogin() const override { return m_autoLogin; }
    bool multiUserOn() const override { return m_multiUser; }
    bool resolveLocalTicked() const override { return m_resolveLocal; }
    bool fixedAddressOn() const override { return m_fixedAddress; }
    QString settingsFile(const QString& name) const override;

    void begin() override {}
    void logIn(const QString& domain, const QString& password) override;
    void setFormCredentials(const QString& domain, const QString& password) override;
    void setAutoLogin(bool on) override;
    void setMultiUserOption(bool on) override;
    void setRunHiddenOption(bool on) override;
    void setResolveLocalOption(bool on) override;
    void setFixedAddressOption(std::optional<QString> address) override;
    void addListEntry(const QString& domain, const QString& password) override;
    void removeListEntry(const QString& taken) override;
    void openPage(const QString& url) override;
    void setStatus(const QString& text) override;
    void endSession() override;

private slots:
    void busLogLineSet(int index, const QString& text);
    void busLogLineAppended(const QString& text);
    void busStatusBarChanged(const QString& text);
    void busCredentialsChanged(const QString& domain);
    void busLocalAddressChanged(const QString& address);
    void busPublishedAddressChanged(const QString& address);
    void busMultiUserLinesChanged(const QStringList& lines);
    void busOptionsChanged(bool autoLogin, bool multiUser, bool resolveLocal, bool fixedAddress);
    void busReloginWanted();
    void busLoginUnanswered(const QString& domain);
    void busDomainRefused(const QString& domain);

private:
    QDBusConnection m_bus;
    LanguageCode m_language;
    Browser& m_browser;
    bool m_ownsEngine;
    bool m_ready = false; // the snapshot came
    QStringList m_logLines;
    QString m_status;
    QString m_domain;
    QString m_password;
    QString m_localAddress;
    QString m_publishedAddress;
    QStringList m_multiUserLines;
    bool m_autoLogin = false;
    bool m_multiUser = false;
    bool m_resolveLocal = false;
    bool m_fixedAddress = false;
    QString m_settingsFolder;
    std::function<QString(const QString& domain)> m_savedPassword;
    QString m_engineDomain;            // the domain the engine last told
    EchoFilter<QString> m_sentDomains; // logged in or saved, not yet echoed
};
