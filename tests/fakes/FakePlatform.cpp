#include "fakes/FakePlatform.h"

#include <QFile>
#include <QTimer>

static QString folded(const QString& name)
{
    QString out = name;
    for (QChar& c : out)
        if (c.unicode() < 128)
            c = c.toLower();
    return out;
}

std::optional<QString> FakeKeyStore::value(const QString& name) const
{
    const auto it = m_values.find(folded(name));
    if (!unreadable.isEmpty() || it == m_values.end())
        return std::nullopt;
    return it->second;
}

WriteResult FakeKeyStore::setValue(const QString& name, const QString& value)
{
    return setValues({{name, value}});
}

WriteResult FakeKeyStore::setValues(const Values& values)
{
    if (failWrites || !unreadable.isEmpty())
        return WriteResult::failure(QStringLiteral("Failed to set data for '%1'").arg(values.value(0).first));
    bool changed = false;
    for (const auto& [name, value] : values) {
        auto it = m_values.find(folded(name));
        if (it == m_values.end())
            m_values.insert(folded(name), {name, value});
        else if (it->second != value)
            it->second = value;
        else
            continue;
        changed = true;
    }
    writes += changed ? 1 : 0;
    return WriteResult::success();
}

WriteResult FakeKeyStore::removeValue(const QString& name)
{
    if (failWrites || !unreadable.isEmpty())
        return WriteResult::failure(QStringLiteral("Failed to delete '%1'").arg(name));
    writes += m_values.remove(folded(name)) > 0 ? 1 : 0;
    return WriteResult::success();
}

void FakeHostResolver::lookup(const QString& host, QObject* context,
                              std::function<void(const HostLookupResult&)> done)
{
    ++lookups;
    HostLookupResult result;
    const auto it = hosts.constFind(host);
    if (it == hosts.constEnd())
        result.errorCode = -2; // EAI_NONAME
    else
        result.addresses = *it;
    QTimer::singleShot(0, context, [done = std::move(done), result] { done(result); });
}

void FakeHttpClient::getPage(const QString& url, QObject* context, std::function<void(const Page&)> done)
{
    requested << url;
    const Page page{pages.value(url), contentTypes.value(url)};
    QTimer::singleShot(0, context, [done = std::move(done), page] { done(page); });
}

void FakeHttpClient::download(const QString& url, const QString& filePath, QObject* context,
                              std::function<void(const WriteResult&)> done)
{
    requested << url;
    WriteResult result = WriteResult::success();
    const auto it = pages.constFind(url);
    QFile file(filePath);
    if (it == pages.constEnd())
        result = WriteResult::failure(QStringLiteral("HTTP error"));
    else if (!file.open(QIODevice::WriteOnly) || file.write(*it) != it->size())
        result = WriteResult::failure(file.errorString());
    QTimer::singleShot(0, context, [done = std::move(done), result] { done(result); });
}
