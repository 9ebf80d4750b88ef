// The site indicator's text.
#include "browser/TSiteIndicator.h"

#include "browser/TSiteMatch.h"

TSiteIndicator::TSiteIndicator(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setToolTip(tr("The site of the page shown"));
}

void TSiteIndicator::Show(const QUrl& address, bool certificateRefused)
{
    setText(Text(address, certificateRefused));
}

QString TSiteIndicator::Text(const QUrl& shown, bool certificateRefused)
{
    if (shown.isEmpty())
        return {};
    // A blob: document shows the site of the page that made it.
    const QUrl address = TSiteMatch::SiteAddress(shown);
    if (address.isLocalFile())
        return tr("Local file");
    const QString origin = TSiteMatch::Origin(address);
    const bool notSecure = address.scheme() == QLatin1String("http") ||
                           (address.scheme() == QLatin1String("https") && certificateRefused);
    return notSecure ? tr("Not secure: %1").arg(origin) : origin;
}
