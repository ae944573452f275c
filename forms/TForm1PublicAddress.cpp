#include "forms/TForm1.h"

#include "settings/deployment.h"
#include "ui/EventLog.h"
#include "messages/Messages.h"

QString TForm1::fetchPageText(const QString& url)
{
    return m_codePage.decodeUpToNul(m_platform.http.get(url));
}

// Compares the public address as two of the provider's pages see it; when they
// differ, the machine probably shares a public address and logins are stopped.
void TForm1::Timer14Timer()
{
    Timer14.setInterval(0);
    Edit1 = fetchPageText(QString::fromUtf8(deployment::providerWebSite) + QStringLiteral("/ips.asp"));
    Edit5 = fetchPageText(QStringLiteral("http://") + defaultPrimaryServerHost + QStringLiteral("/ips.asp"));
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
