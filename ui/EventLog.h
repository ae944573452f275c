#pragma once

#include "ui/LogBox.h"

// The primary window's event log: lines 0 to 2 are status lines overwritten
// in place, history lines are appended after them. Laid out right to left:
// text right-aligned, vertical scroll bar on the left.
class EventLog : public LogBox
{
    Q_OBJECT

public:
    explicit EventLog(QWidget* parent = nullptr);
};
