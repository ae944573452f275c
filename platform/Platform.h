#pragma once

#include "platform/AddressWatch.h"
#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/HostResolver.h"
#include "platform/HttpClient.h"
#include "platform/KeyStore.h"
#include "platform/LocalAddress.h"
#include "platform/MessageBoxes.h"
#include "platform/SystemLanguage.h"

#include <QString>

// Where the gateway search is sent, and from which local port.
struct GatewaySearchAim
{
    QString host;
    int port = 0;
    int localPort = 0;

    // The SSDP multicast group, from the SSDP port.
    static GatewaySearchAim multicast() { return {QStringLiteral("239.255.255.250"), 1900, 1900}; }
};

// Where NAT-PMP is asked when no UPnP router answers.
struct NatPmpAim
{
    QString host; // empty: the gateway of the default route
    int port = 5351; // 0: not asked

    static NatPmpAim defaultGateway() { return {}; }
};

// The services a window needs from the operating system, handed in by the
// program's wiring (real) or by a test (fakes).
struct Platform
{
    SystemLanguage& language;
    KeyStore& keyStore;
    HostResolver& resolver;
    LocalAddressSource& localAddress;
    Browser& browser;
    HttpClient& http;
    MessageBoxes& messageBoxes;
    Clock& clock;
    AddressWatch& addressWatch;
    QString programFolder;
    // Tests aim the search at 127.0.0.1 so that nothing leaves the machine.
    GatewaySearchAim gatewaySearch;
    NatPmpAim natPmp;
};
