#pragma once

#include <QString>

// Modal message boxes with one OK button; tests record them instead.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void show(const QString& caption, const QString& text) = 0;
};
