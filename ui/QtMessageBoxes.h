#pragma once

#include "platform/MessageBoxes.h"

class QtMessageBoxes final : public MessageBoxes
{
public:
    void show(const QString& caption, const QString& text) override;
};
