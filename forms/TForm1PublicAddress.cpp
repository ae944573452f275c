#include "forms/TForm1.h"

#include "messages/Messages.h"
#include "settings/deployment.h"
#include "ui/EventLog.h"

QString TForm1::providerAddressPage()
{
    return QString::fromUtf8(deployment::providerWebSite) + QStringLiteral("/ips.asp");
}

// Compares the public address as two of the provider's pages see it; when they
// differ, the machine probably shares a public address and logins are stopped.
// The pages come one after the other, off the window's thread.
void TForm1::Timer14Timer()
{
    Timer14.setInterval(0);
    m_http.get(providerAddressPage(), [this](const QByteArray& first) {
        Edit1 = m_codePage.decodeUpToNul(first);
        m_http.get(QStringLiteral("http://") + defaultPrimaryServerHost + QStringLiteral("/ips.asp"),
                   [this](const QByteArray& second) {
                       Edit5 = m_codePage.decodeUpToNul(second);
                       compareProviderPages();
                   });
    });
}

void TForm1::compareProviderPages()
{
    if (Edit1.isEmpty() || Edit5.isEmpty()) {
        Edit1.clear();
        Edit5.clear();
        Timer14.setInterval(900000);
        return;
    }
    if (Edit1 == Edit5)
        return;
    stopSessionTimers();
    Timer15.setInterval(50);
}

void TForm1::Timer15Timer()
{
    Timer15.setInterval(5000);
    dlrz->setLine(0, Messages::noPublicAddress());
    stopSessionTimers();
}
