#include "daemon/JournalFilter.h"

#include "messages/PortMappingMessages.h"

namespace Text = Messages::PortMapping;

namespace {

constexpr qsizetype maxShownPerChannel = 256;

} // namespace

void JournalFilter::expectRoutineCheck(const QString& text, bool result)
{
    m_routineCheck = text;
    m_routineCheckIsResult = result;
}

QStringList JournalFilter::take(Channel channel, const QString& text, bool warning)
{
    switch (channel) {
    case Channel::History:
        return takeHistory(text, warning);
    case Channel::PortMapping:
        return takePortMapping(text);
    case Channel::PrimaryLine:
    case Channel::StatusBar:
        if (!m_routineCheck.isEmpty() && text == m_routineCheck) {
            if (m_checkShown) {
                // Every status goes to the status bar, so a check is counted there.
                if (channel == Channel::StatusBar && m_routineCheckIsResult)
                    ++m_quiet.checks;
                return {};
            }
            m_checkShown = m_routineCheckIsResult;
            return {text};
        }
        break;
    case Channel::SecondaryLine:
    case Channel::AccountLine:
        break;
    }
    return takeStatus(channel, text);
}

QStringList JournalFilter::takeStatus(Channel channel, const QString& text)
{
    QSet<QString>& shown = m_shown[channel];
    if (shown.contains(text))
        return {};
    // A status that carries a changing value never repeats: it must not grow the set for ever.
    if (shown.size() >= maxShownPerChannel)
        shown.clear();
    shown.insert(text);
    m_checkShown = false;
    return {text};
}

// A failure said again is no news; a success always is (a new address, a new login).
QStringList JournalFilter::takeHistory(const QString& text, bool warning)
{
    if (warning && text == m_lastWarning)
        return {};
    m_lastWarning = warning ? text : QString();
    m_shown.clear();
    m_checkShown = false;
    return {text};
}

// A poll runs from its request to the address or the failure; it is printed
// when its outcome differs from the last one's, or when anything else came
// in between.
QStringList JournalFilter::takePortMapping(const QString& text)
{
    if (text == Text::externalAddressRequested()) {
        QStringList held = std::exchange(m_poll, {});
        m_poll = {text};
        return held;
    }
    if (m_poll.isEmpty()) {
        // Said after each address while the router has none: news only when its poll was.
        if (text == Text::externalAddressNotYet() && !m_lastPollPrinted)
            return {};
        return {text};
    }
    m_poll << text;
    if (text.startsWith(Text::externalAddress(QString())) || text == Text::externalAddressFailed())
        return endPoll(text);
    if (text == Text::externalAddressRead() || text == Text::externalAddressInvalid())
        return {};
    m_lastPollOutcome.clear();
    return std::exchange(m_poll, {});
}

QStringList JournalFilter::endPoll(const QString& outcome)
{
    QStringList poll = std::exchange(m_poll, {});
    m_lastPollPrinted = outcome != m_lastPollOutcome;
    if (!m_lastPollPrinted) {
        ++m_quiet.polls;
        return {};
    }
    m_lastPollOutcome = outcome;
    return poll;
}
