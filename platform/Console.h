#pragma once

#include "platform/Browser.h"
#include "platform/MessageBoxes.h"

#include <QString>

// Writes one UTF-8 line to standard output (or standard error) at once, so that
// a service's journal shows it as it happens.
void printLine(const QString& line);
void printErrorLine(const QString& line);

// Without a desktop a page cannot be shown: its address is printed instead.
class ConsoleBrowser final : public Browser
{
public:
    bool openUrl(const QString& url) override;
};

// Without a desktop a message goes to standard error.
class ConsoleMessageBoxes final : public MessageBoxes
{
public:
    void show(const QString& caption, const QString& text) override;
};
