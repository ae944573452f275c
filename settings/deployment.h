#pragma once

// Deployment values. Every host name uses a name reserved for examples
// (RFC 2606), so that a default build never sends a password to a real third party.

#include <array>

namespace deployment {

// Built-in zone list, written to "yuming.ini" when that file is missing.
// The first is the provider's own zone. The 18th and 19th have roles in server
// selection: both are served on port 9715, and the 19th names the fallback
// server ("main." + it) and the zone that the secondary server covers.
// No zone is a substring of another, since the program tests hosts by "contains".
inline constexpr std::array<const char*, 21> builtInZones = {
    "kelvane.example", // 1: the provider's own zone
    "vizi.example",      "dnsfree.example",   "homeip.example",  "myhost.example",
    "netlink.example",   "dynsite.example",   "webhome.example", "ipserve.example",
    "zonepoint.example", "hostplace.example", "autodns.example", "easyname.example",
    "quickip.example",   "linkup.example",    "nameweb.example", "ddnshub.example",
    "ipfree.example", // 18: port 9715
    "second.example", // 19: fallback server zone and secondary server zone
    "sitebase.example",  "roamip.example",
};

// The provider's web site: advertisement pages, help pages, downloads, "/ips.asp".
inline constexpr const char* providerWebSite = "http://www.kelvane.example";

// Home page of the domain-registration site (menu "申请" > "顶级域名").
inline constexpr const char* domainRegistrationSite = "http://www.domains.example";

// The second advertisement site.
inline constexpr const char* secondAdvertisementSite = "http://ads.example.net";

// Shown right-aligned in status-bar panel 1.
inline constexpr const char* vendorLine = "Kelvane DDNS 2.0";

// The secondary window's domain field before any credentials are restored.
inline constexpr const char* exampleDomain = "yourname.kelvane.example";

} // namespace deployment
