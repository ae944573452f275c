#include "FuzzCheck.h"
#include "registration/StoredPassword.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // Key-store values are UTF-8; any stored text decodes to no more than it holds.
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data) + 2, qsizetype(size) - 2);
    FUZZ_REQUIRE(StoredPassword::decode(text).size() <= text.size());
    // Whatever digits were mixed in, the password comes back.
    const QChar first(u'0' + data[0] % 9);
    const QChar second(u'0' + data[1] % 9);
    FUZZ_REQUIRE(StoredPassword::decode(StoredPassword::encode(text, first, second)) == text);
    return 0;
}
