#pragma once

#include <QWidget>

// The secondary window: hidden and never shown. The secondary login session
// it stood for is the login engine's (LoginEngine::secondary()), whose lines
// the primary window shows; the window remains as one of the three the
// program is made of.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
};
