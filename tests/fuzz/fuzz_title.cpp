#include "FuzzCheck.h"
#include "settings/ProviderPages.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Page titles reach the program as text, whatever the page's encoding was.
    const QString title = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    // The value arms a timer.
    if (const auto interval = ProviderPages::intervalFromTitle(title))
        FUZZ_REQUIRE(*interval >= 0 && *interval <= 86'400'000 && *interval % 1000 == 0);
    return 0;
}
