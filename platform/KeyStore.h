#pragma once

#include "platform/WriteResult.h"

#include <QString>

#include <optional>

// Per-machine string values, in place of a registry key. Value names compare
// without regard to ASCII letter case; any character may appear in a name or value.
class KeyStore
{
public:
    virtual ~KeyStore() = default;
    virtual std::optional<QString> value(const QString& name) const = 0;
    // Error text on failure: "Failed to set data for '<name>'" and the reason.
    virtual WriteResult setValue(const QString& name, const QString& value) = 0;
    virtual WriteResult removeValue(const QString& name) = 0;
};

// The values in one file ("$XDG_CONFIG_HOME/Vizivuri" by default), mode 0600,
// rewritten atomically so that a crash mid-write keeps the old content.
class FileKeyStore final : public KeyStore
{
public:
    explicit FileKeyStore(QString path);
    static QString defaultPath();

    QString path() const { return m_path; }
    std::optional<QString> value(const QString& name) const override;
    WriteResult setValue(const QString& name, const QString& value) override;
    WriteResult removeValue(const QString& name) override;

private:
    QString m_path;
};
