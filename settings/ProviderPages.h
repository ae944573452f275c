#pragma once

#include <QString>

#include <optional>

// Addresses of the provider's pages that the primary window shows or opens,
// and the rules of its advertisement pane.
namespace ProviderPages {

// The provider's web site + path.
QString page(const QString& path);

QString mainAdvertisement(int counter);
QString secondAdvertisement(int counter);
QString portMappingAdvertisement();
QString zoneListDownload();
QString bannerDownload();
QString domainRegistrationSite();

// Counters run 0 to 5,000, then start again at 0.
int nextCounter(int counter);

// "ttt" + seconds + "end" in a page title sets the advertisement interval.
// Nothing when the title holds no such number, or one outside 0 to one day,
// so that no title can arm a timer with a negative or overflowing interval.
std::optional<int> intervalFromTitle(const QString& title);

// Only these may be opened from the address box.
bool isWebAddress(const QString& text);

} // namespace ProviderPages
