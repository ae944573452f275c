#pragma once

#include <QString>

#include <limits>

// One rule for every value that may enter the engine, whoever hands it over:
// a window, the command line or the bus. Each function returns why the value
// may not enter, in English (one short sentence that never quotes the value),
// or an empty string when it may.
namespace InputRules {

inline constexpr int maxDomainLength = 253;
inline constexpr int maxPasswordLength = 64;
inline constexpr int maxListLines = 1000;   // the multi-user list, the mapping list
inline constexpr int maxStatusLength = 200; // a status text a face shows
// The router address check's interval: the keeper checks at most this often,
// and its timer counts milliseconds in an int.
inline constexpr int minCheckSeconds = 15;
inline constexpr int maxCheckSeconds = std::numeric_limits<int>::max() / 1000;

// Host-name syntax, blanks around it dropped first: labels of letters (a to z,
// either case), digits and '-' (neither first nor last), 1 to 63 each, dots
// between, at most 253 in all; a single label is a domain too.
QString domainProblem(const QString& domain);
// Not empty, at most 64 characters (blanks around it dropped), and one that
// the settings file's code page (CodePage::forLanguage(languageId)) can hold:
// it is saved, and sent, in that code page.
QString passwordProblem(const QString& password, int languageId);
QString portProblem(qint64 port);
// The decimal digits of such a port, blanks around them allowed.
QString portTextProblem(const QString& text);
// "TCP" or "UDP", exactly.
QString protocolProblem(const QString& protocol);
// Dotted decimal, without blanks or leading zeros.
QString ipv4Problem(const QString& address);
// Whole seconds from minCheckSeconds to maxCheckSeconds, blanks around them allowed.
QString checkIntervalProblem(const QString& secondsText);
QString listSizeProblem(qsizetype lines);
// One line of at most 200 characters.
QString statusTextProblem(const QString& text);
// A line of "jilu.txt" as the keeper makes it (see portmap/MappingLine.h):
// address ":" port, the protocol, address ":" port, with blanks between.
QString mappingLineProblem(const QString& line);

// Every text rule above refuses a control character, a line or paragraph
// separator and a byte-order mark, wherever they stand.

} // namespace InputRules
