#include "platform/Clock.h"

#include <QTimer>

namespace {

class QtTicker final : public Ticker
{
public:
    explicit QtTicker(std::function<void()> onTick)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(onTick));
    }
    void start(int milliseconds) override { m_timer.start(milliseconds); }
    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<Ticker> SystemClock::ticker(std::function<void()> onTick)
{
    return std::make_unique<QtTicker>(std::move(onTick));
}
