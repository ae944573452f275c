#pragma once

#include <QWidget>

// The port mapping window: hidden until opened from the primary window's menu.
class TForm111 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm111(QWidget* parent = nullptr);
};
