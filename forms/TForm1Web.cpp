#include "forms/TForm1.h"

#include "forms/AppShell.h"
#include "engine/EngineModel.h"
#include "settings/ProviderPages.h"
#include "ui/LightWebPane.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QPixmap>

namespace {

// A banner larger than this is no banner; decoding it could take the memory.
constexpr int maxBannerSide = 4096;

} // namespace

// Run after the window's paint: making a browser engine's view costs it ~80 ms.
void TForm1::createWebPanes()
{
    if (WebBrowser1 || !m_shell.makeWebPane || !paneLifetime.panesMade())
        return;
    WebBrowser1 = m_shell.makeWebPane(m_webArea);
    m_webArea->layout()->addWidget(WebBrowser1);
    connect(WebBrowser1, &WebPane::titleChanged, this,
            [this](const QString& title) { WebBrowser1TitleChange(title); });
    // Behind the login panel, where it has never been meant to be seen: it
    // only loads its page, for which it needs no browser engine of its own.
    // A native view would paint over the panel's labels.
    WebBrowser2 = new LightWebPane(m_platform.browser, m_platform.http, m_loginPanel->parentWidget());
    WebBrowser2->setGeometry(0, 0, 41, 41);
    WebBrowser2->stackUnder(m_loginPanel);
    WebBrowser2->setVisible(false);
    if (!m_advertisement1.isEmpty())
        WebBrowser1->load(m_advertisement1);
    if (!m_advertisement2.isEmpty())
        WebBrowser2->load(m_advertisement2);
}

void TForm1::releaseWebPanes()
{
    delete WebBrowser1;
    WebBrowser1 = nullptr;
    delete WebBrowser2;
    WebBrowser2 = nullptr;
    if (m_shell.panesReleased)
        m_shell.panesReleased();
}

void TForm1::showBanner()
{
    const QString banner = QDir(m_model.valueAs<QString>("SettingsFolder")).filePath(QStringLiteral("ggw.gif"));
    if (!QFile::exists(banner))
        return;
    QImageReader reader(banner);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > maxBannerSide || size.height() > maxBannerSide)
        return;
    const QImage image = reader.read();
    if (!image.isNull())
        Image2->setPixmap(QPixmap::fromImage(image));
}

void TForm1::Timer2Timer()
{
    Timer2.setInterval(advertisementInterval);
    m_advertisement1 = ProviderPages::mainAdvertisement(advertisementCounter1);
    if (WebBrowser1)
        WebBrowser1->load(m_advertisement1);
    advertisementCounter1 = ProviderPages::nextCounter(advertisementCounter1);
}

void TForm1::Timer13Timer()
{
    Timer13.setInterval(advertisementInterval);
    m_advertisement2 = ProviderPages::secondAdvertisement(advertisementCounter2);
    if (WebBrowser2)
        WebBrowser2->load(m_advertisement2);
    advertisementCounter2 = ProviderPages::nextCounter(advertisementCounter2);
}

void TForm1::WebBrowser1TitleChange(const QString& title)
{
    if (const auto interval = ProviderPages::intervalFromTitle(title))
        advertisementInterval = *interval;
}
