#pragma once

#include "platform/ProgramFolder.h"
#include "platform/WriteResult.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Per-machine string values, in place of a registry key. Value names compare
// without regard to ASCII letter case; any character may appear in a name or value.
class KeyStore
{
public:
    using Values = QList<std::pair<QString, QString>>; // (name, value)

    virtual ~KeyStore() = default;
    virtual std::optional<QString> value(const QString& name) const = 0;
    // Error text on failure: "Failed to set data for '<name>'" and the reason.
    virtual WriteResult setValue(const QString& name, const QString& value) = 0;
    // All of them or none: values that belong together never reach the store apart.
    virtual WriteResult setValues(const Values& values) = 0;
    virtual WriteResult removeValue(const QString& name) = 0;
    // Why a store that exists cannot be read; empty when it can (a missing
    // store is an empty one). A missing value then says nothing about the store.
    virtual QString unreadableReason() const = 0;
};

// The values in one file, mode 0600, rewritten atomically, and only when a
// value changes (see KeyStoreText).
class FileKeyStore final : public KeyStore
{
public:
    explicit FileKeyStore(QString path);
    // Beside the settings files it completes, so that two copies never mix
    // their saved logins; an installed copy keeps "$XDG_CONFIG_HOME/Vizivuri",
    // where it always was.
    static QString pathFor(const ProgramFolderChoice& folder);

    QString path() const { return m_path; }
    std::optional<QString> value(const QString& name) const override;
    WriteResult setValue(const QString& name, const QString& value) override;
    WriteResult setValues(const Values& values) override;
    WriteResult removeValue(const QString& name) override;
    QString unreadableReason() const override;

private:
    QString m_path;
};
