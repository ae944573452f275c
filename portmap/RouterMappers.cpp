#include "portmap/RouterMappers.h"

#include "portmap/natpmp/NatPmpMapper.h"
#include "portmap/pcp/PcpMapper.h"
#include "portmap/upnp/UpnpMapper.h"

std::vector<std::unique_ptr<RouterMapper>> RouterMappers::all(const Platform& platform, LanguageCode language)
{
    std::vector<std::unique_ptr<RouterMapper>> mappers;
    mappers.push_back(std::make_unique<UpnpMapper>(platform, language));
    mappers.push_back(std::make_unique<PcpMapper>(platform, language));
    mappers.push_back(std::make_unique<NatPmpMapper>(platform, language));
    return mappers;
}
