#pragma once

#include "platform/Browser.h"
#include "platform/Clock.h"
#include "platform/HostResolver.h"
#include "platform/HttpClient.h"
#include "platform/KeyStore.h"
#include "platform/LocalAddress.h"
#include "platform/MessageBoxes.h"
#include "platform/SystemLanguage.h"

#include <QString>

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
    QString programFolder;
};
