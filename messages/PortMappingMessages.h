#pragma once

#include <QString>

// Every run-time message of the port mapping window and its gateway client:
// log lines, status labels and message boxes. Leading and trailing blanks are
// part of the messages.
namespace Messages::PortMapping {

// The gateway client refuses a time limit outside 1000 to 30000 ms.
QString timeoutOutOfRangeCaption();
QString timeoutOutOfRange();

QString portNotANumber();
// The protocol or the local address of the user's mapping is not one (InputRules).
QString mappingInvalid();
// The list the user edited holds a line that is not a mapping, counted from 1: the list stays as it was.
QString listLineRefused(int lineNumber);
QString listTooLong(int maxLines);
QString checkIntervalRefused(int minSeconds, int maxSeconds);

QString searchStarted();
QString searchNotStarted();
QString searchSucceeded();
// The router label after a search: the first word of the router's name, blank included.
QString routerLabel(const QString& firstWord);
QString searchFailed();
// The router label after a search that failed or could not start.
QString searchFailedLabel();

QString controlPageNotStarted();
QString controlPageRead();
QString controlPageFailed();

QString addStarted();
QString addNotStarted();
QString portAdded();
QString portAddedLabel();
QString addFailed();

QString deleteStarted();
QString deleteNotStarted();
QString portDeleted();
QString deleteFailed();
// The stored mappings taken off the router, the list kept.
QString withdrawalStarted(int count);
QString withdrawalEnded(int deleted, int failed, int othersKept);
// The port mapping window's menu entry that starts it.
QString withdrawalAction();
// A stored mapping the router does not hold.
QString notOnRouter();

QString externalAddressRequested();
QString externalAddressRead();
QString externalAddress(const QString& address);
QString externalAddressInvalid();
QString externalAddressFailed();
// The router label when the address cannot be read from a router that was found.
QString contactDeveloperLabel();

// What the router said about itself, one log line per field.
enum class RouterDetail
{
    Name,
    Location,
    USN,
    IP,
    Port,
    URL,
    URLBase,
};
QString routerDetail(RouterDetail detail, const QString& value);

// The re-apply loop passes over a line of the list.
QString notAMappingLineSkipped(const QString& line);
QString addUnfinishedRetried(const QString& line);
QString addUnfinishedSkipped(const QString& line);

// No router answers: searching goes on by itself, and stops being logged
// until the router is back.
QString routerLostRetrying();
QString routerBack();
// A device answered the search but holds no WAN connection service.
QString tryingNextDevice(const QString& location);
// The router has no external address yet (it answered "0.0.0.0").
QString externalAddressNotYet();
// The router announced a restart, or a new description address.
QString routerRestarted();
// The router lost mappings of the list (restarted, or deleted from outside).
QString mappingsMissing(int count);
// The router refused an add: its UPnP error code and text, when it gave them.
QString addRefused(int code, const QString& description);
QString addRefusedLabel(int code, const QString& description);

// The mappings the router holds.
QString routerMappingsTitle();
QString routerMappingsNone();
QString routerMappingsNoRouter();
// The progress of a listing on a terminal: `count` entries read so far.
QString routerMappingsRead(int count);
QString routerMappingsIncomplete();
struct RouterMapping
{
    QString protocol;
    int externalPort = 0;
    QString internalClient;
    int internalPort = 0;
    QString description;
    bool enabled = true;
    bool thisMachine = false; // points to this machine
    bool stored = false;      // in this program's list
};
// One line a mapping: protocol, public port, where it leads, the marks, then its description.
QString routerMappingLine(const RouterMapping& mapping);

} // namespace Messages::PortMapping
