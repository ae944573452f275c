#pragma once

#include "platform/Browser.h"
#include "platform/MessageBoxes.h"

class HeadlessOutput;

// Without a desktop a page cannot be shown: its address is printed instead.
class HeadlessBrowser final : public Browser
{
public:
    explicit HeadlessBrowser(HeadlessOutput& output) : m_output(output) {}
    bool openUrl(const QString& url) override;

private:
    HeadlessOutput& m_output;
};

// Without a desktop a message goes to standard error.
class HeadlessMessageBoxes final : public MessageBoxes
{
public:
    explicit HeadlessMessageBoxes(HeadlessOutput& output) : m_output(output) {}
    void show(const QString& caption, const QString& text) override;

private:
    HeadlessOutput& m_output;
};
