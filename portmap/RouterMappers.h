#pragma once

#include "messages/LanguageCode.h"
#include "portmap/RouterMapper.h"

#include <memory>
#include <vector>

struct Platform;

namespace RouterMappers {

// One mapper per protocol the program speaks, the most preferred first: a
// UPnP router says most (who holds a port, every mapping it has); PCP, which
// ISP gateways and carrier-grade NAT speak, comes before NAT-PMP, which a
// PCP daemon answers as well.
std::vector<std::unique_ptr<RouterMapper>> all(const Platform& platform, LanguageCode language);

} // namespace RouterMappers
