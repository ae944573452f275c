#pragma once

#include "engine/LoginsView.h"

class ClientState;
class LoginEngine;

// The login engine of this process, as the windows see it.
class LocalLogins : public LoginsView
{
    Q_OBJECT

public:
    LocalLogins(ClientState& state, LoginEngine& engine, QObject* parent = nullptr);

    QStringList logLines() const override;
    QString status() const override;
    LanguageCode languageCode() const override;
    QString domain() const override;
    QString password() const override;
    QString localAddress() const override;
    QString publishedAddress() const override;
    QStringList multiUserLines() const override;
    bool autoLogin() const override;
    bool multiUserOn() const override;
    bool resolveLocalTicked() const override;
    bool fixedAddressOn() const override;
    QString settingsFile(const QString& name) const override;

    void begin() override;
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

private:
    ClientState& m_state;
    LoginEngine& m_engine;
    // Made before the first login, it has seen every address the session had.
    QString m_localAddress;
    QString m_publishedAddress;
};
