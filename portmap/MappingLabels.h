#pragma once

#include <QString>

// What the keeper knows of the router and of the last add, typed, and the
// words the port mapping window says of them: the keeper and every face
// word them alike, whichever process the keeper runs in.

enum class RouterSeen
{
    Searching,
    Found,
    NotFound, // the search failed
    Unusable, // found, but its answers are of no use
};

struct MappingOutcome
{
    enum class Kind
    {
        None, // nothing yet, or an add runs
        Added,
        Failed,  // the router gave no usable answer
        Refused, // the router's own error: `code` and `text`
        Held,    // another host holds the port: `text` says who
    };
    Kind kind = Kind::None;
    int code = 0;
    QString text;

    friend bool operator==(const MappingOutcome&, const MappingOutcome&) = default;
};

namespace MappingLabels {

// `protocol` and `name` as the keeper tells them ("NAT-PMP", "PCP", the router's model name).
QString router(RouterSeen seen, const QString& protocol, const QString& name);
QString result(const MappingOutcome& outcome);

// The names the engine's interface uses, and back (nothing for an unknown one).
QString nameOf(RouterSeen seen);
RouterSeen routerSeenNamed(const QString& name);
QString nameOf(MappingOutcome::Kind kind);
MappingOutcome::Kind outcomeKindNamed(const QString& name);

} // namespace MappingLabels
