#include "portmap/MappingLabels.h"

#include "messages/PortMappingMessages.h"

#include <array>
#include <utility>

namespace Text = Messages::PortMapping;

namespace {

constexpr std::array routerSeenNames{
    std::pair{RouterSeen::Searching, "searching"},
    std::pair{RouterSeen::Found, "found"},
    std::pair{RouterSeen::NotFound, "not-found"},
    std::pair{RouterSeen::Unusable, "unusable"},
};

constexpr std::array outcomeNames{
    std::pair{MappingOutcome::Kind::None, ""},
    std::pair{MappingOutcome::Kind::Added, "added"},
    std::pair{MappingOutcome::Kind::Failed, "failed"},
    std::pair{MappingOutcome::Kind::Refused, "refused"},
    std::pair{MappingOutcome::Kind::Held, "held"},
};

template <typename Table, typename Value> QString nameIn(const Table& table, Value value)
{
    for (const auto& [known, name] : table)
        if (known == value)
            return QString::fromLatin1(name);
    return {};
}

template <typename Table> auto valueIn(const Table& table, const QString& name)
{
    for (const auto& [value, known] : table)
        if (name == QLatin1StringView(known))
            return value;
    return table.front().first;
}

} // namespace

namespace MappingLabels {

QString router(RouterSeen seen, const QString& protocol, const QString& name)
{
    switch (seen) {
    case RouterSeen::Searching:
        return {};
    case RouterSeen::Found: {
        if (protocol == QStringLiteral("NAT-PMP") || protocol == QStringLiteral("PCP"))
            return Text::routerLabel(protocol + u' ');
        const qsizetype blank = name.indexOf(u' ');
        return Text::routerLabel(blank < 0 ? QString() : name.left(blank + 1));
    }
    case RouterSeen::NotFound:
        return Text::searchFailedLabel();
    case RouterSeen::Unusable:
        return Text::contactDeveloperLabel();
    }
    return {};
}

QString result(const MappingOutcome& outcome)
{
    switch (outcome.kind) {
    case MappingOutcome::Kind::None:
        return {};
    case MappingOutcome::Kind::Added:
        return Text::portAddedLabel();
    case MappingOutcome::Kind::Failed:
        return Text::addFailed();
    case MappingOutcome::Kind::Refused:
        return Text::addRefusedLabel(outcome.code, outcome.text);
    case MappingOutcome::Kind::Held:
        return outcome.text;
    }
    return {};
}

QString nameOf(RouterSeen seen)
{
    return nameIn(routerSeenNames, seen);
}

RouterSeen routerSeenNamed(const QString& name)
{
    return valueIn(routerSeenNames, name);
}

QString nameOf(MappingOutcome::Kind kind)
{
    return nameIn(outcomeNames, kind);
}

MappingOutcome::Kind outcomeKindNamed(const QString& name)
{
    return valueIn(outcomeNames, name);
}

} // namespace MappingLabels
