#include "FuzzCheck.h"
#include "platform/CodePage.h"
#include "registration/LoginExchange.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const CodePage codePage = CodePage::gbk();
    static const QString serverHost = QStringLiteral("main.kelvane.example");
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const LoginExchange::Reply reply = LoginExchange::parseReply(codePage.decodeUpToNul(bytes));
    FUZZ_REQUIRE(reply.accountCode.size() <= 1);
    FUZZ_REQUIRE(reply.reminderId.size() <= 1);
    FUZZ_REQUIRE(reply.registrationCode.size() <= 1);

    // The reply's fields reach page addresses: they must not add parameters.
    const QString account = LoginExchange::accountPage(serverHost, reply, codePage);
    FUZZ_REQUIRE(account.count(u'&') <= 1 && !account.contains(u'#'));
    const QString registration =
        LoginExchange::registrationPage(serverHost, reply.registrationCode,
                                        QStringLiteral("a.kelvane.example"), QStringLiteral("pw"), codePage);
    FUZZ_REQUIRE(registration.count(u'&') == 2 && !registration.contains(u'#'));
    return 0;
}
