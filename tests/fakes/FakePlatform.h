#pragma once

#include "fakes/FakeClock.h"
#include "platform/InstanceLock.h"
#include "platform/Platform.h"

#include <QHash>
#include <QMap>
#include <QStringList>

#include <utility>

class FakeSystemLanguage final : public SystemLanguage
{
public:
    int id = LanguageId::SimplifiedChinese;
    int languageId() const override { return id; }
};

// Case-insensitive like the real store, and like it writes only on a change,
// counted in `writes`; `failWrites` makes every write fail, `unreadable` (the
// reason) makes the store unreadable: no values, every write fails.
class FakeKeyStore final : public KeyStore
{
public:
    bool failWrites = false;
    QString unreadable;
    int writes = 0;

    std::optional<QString> value(const QString& name) const override;
    WriteResult setValue(const QString& name, const QString& value) override;
    WriteResult setValues(const Values& values) override;
    WriteResult removeValue(const QString& name) override;
    QString unreadableReason() const override { return unreadable; }
    int size() const { return int(m_values.size()); }

private:
    QMap<QString, std::pair<QString, QString>> m_values; // folded name -> (name, value)
};

// Maps host names to addresses; unknown names fail. Completions are posted.
class FakeHostResolver final : public HostResolver
{
public:
    QHash<QString, std::vector<std::uint32_t>> hosts;
    int lookups = 0;

    void lookup(const QString& host, QObject* context,
                std::function<void(const HostLookupResult&)> done) override;
};

class FakeLocalAddress final : public LocalAddressSource
{
public:
    QString address = QStringLiteral("192.0.2.10");
    QString localAddress() override { return address; }
};

class FakeBrowser final : public Browser
{
public:
    QStringList opened;
    bool fails = false; // as when the desktop has no browser
    bool openUrl(const QString& url) override
    {
        if (fails)
            return false;
        opened << url;
        return true;
    }
};

class FakeHttpClient final : public HttpClient
{
public:
    QHash<QString, QByteArray> pages;
    QHash<QString, QByteArray> contentTypes; // a page's Content-Type header, when it has one
    QStringList requested;

    // Answers on the next turn of the event loop, as the real client would.
    void getPage(const QString& url, QObject* context, std::function<void(const Page&)> done) override;
    void download(const QString& url, const QString& filePath, QObject* context,
                  std::function<void(const WriteResult&)> done) override;
};

class FakeMessageBoxes final : public MessageBoxes
{
public:
    QList<std::pair<QString, QString>> shown; // (caption, text)
    void show(const QString& caption, const QString& text) override { shown.append({caption, text}); }
};

// Held settings folders are refused, as when another process holds them.
class FakeInstanceLock final : public InstanceLock
{
public:
    QStringList held;
    LockOutcome acquire(const QString& settingsFolder) override
    {
        return held.contains(settingsFolder) ? LockOutcome::HeldElsewhere : LockOutcome::Taken;
    }
};

class FakeAddressWatch final : public AddressWatch
{
    Q_OBJECT
public:
    void announce() { emit changed(); }
};

// Every fake, bundled, with a program folder of the test's choosing.
class FakePlatform
{
public:
    explicit FakePlatform(QString folder) : programFolder(std::move(folder)) {}

    FakeSystemLanguage language;
    FakeKeyStore keyStore;
    FakeHostResolver resolver;
    FakeLocalAddress localAddress;
    FakeBrowser browser;
    FakeHttpClient http;
    FakeMessageBoxes messageBoxes;
    FakeClock clock;
    FakeAddressWatch addressWatch;
    QString programFolder;

    // Nothing listens on the discard port of 127.0.0.1: a gateway search started
    // by a window under test goes nowhere unless a test aims it at a fake.
    GatewaySearchAim gatewaySearch{QStringLiteral("127.0.0.1"), 9, 0};
    // NAT-PMP is not asked unless a test aims it at a fake.
    NatPmpAim natPmp{QString(), 0};

    Platform platform() { return platformWith(resolver, http); }
    // The fakes, but for a resolver or an HTTP client of the test's own.
    Platform platformWith(HostResolver& otherResolver) { return platformWith(otherResolver, http); }
    Platform platformWith(HttpClient& otherHttp) { return platformWith(resolver, otherHttp); }

private:
    Platform platformWith(HostResolver& anyResolver, HttpClient& anyHttp)
    {
        return Platform{language,     keyStore, anyResolver,  localAddress,  browser,      anyHttp,
                        messageBoxes, clock,    addressWatch, programFolder, gatewaySearch, natPmp};
    }
};
