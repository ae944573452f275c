#pragma once

#include <QDateTime>

#include <functional>
#include <memory>

// What a Timer asks of its clock: a call of its handler every interval once
// started, until stopped.
class Ticker
{
public:
    virtual ~Ticker() = default;
    // (Re)starts the count from now; `milliseconds` is above 0.
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
};

// The time of day and the ticks of timers. Engine classes take both from the
// platform's clock, so that a test's clock moves their timers when it moves on.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    virtual std::unique_ptr<Ticker> ticker(std::function<void()> onTick) = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    std::unique_ptr<Ticker> ticker(std::function<void()> onTick) override;
};
