#pragma once

#include <QList>

// What a face sent the engine and the engine has not yet echoed back. D-Bus
// keeps one sender's messages in order, so an echo may come after the user
// typed on: it must not overwrite the field with an older value.
template <typename Value> class EchoFilter
{
public:
    // Whether `value` must go out: a change that is none (no value waiting,
    // the engine already holds it) brings no echo, so it is not sent.
    bool send(const Value& value, const Value& engineHolds)
    {
        if (m_sent.isEmpty() && value == engineHolds)
            return false;
        // A bound, should the engine stop answering.
        if (m_sent.size() >= maxWaiting)
            m_sent.removeFirst();
        m_sent.append(value);
        return true;
    }

    // Whether `value`, come from the engine, is the echo of something sent
    // (then dropped, with all sent before it); anything else is the engine's own.
    bool isEcho(const Value& value)
    {
        const qsizetype echoed = m_sent.indexOf(value);
        if (echoed < 0) {
            m_sent.clear();
            return false;
        }
        m_sent.remove(0, echoed + 1);
        return true;
    }

private:
    static constexpr qsizetype maxWaiting = 256;
    QList<Value> m_sent; // oldest first
};
