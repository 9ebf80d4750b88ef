// Writing plain text to the clipboard, and taking a secret back.
#include "ui/UClipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

#include <utility>

namespace {

// The secret put on the clipboard last, while its removal is pending.
struct TPendingSecret
{
    QString Text;
    QPointer<QTimer> Timer;
};

TPendingSecret& Pending()
{
    static TPendingSecret pending;
    return pending;
}

QTimer* SecretTimer()
{
    TPendingSecret& pending = Pending();
    if (!pending.Timer) {
        pending.Timer = new QTimer(QCoreApplication::instance());
        pending.Timer->setSingleShot(true);
        QObject::connect(pending.Timer, &QTimer::timeout, [] { TClipboard::ExpireSecret(); });
    }
    return pending.Timer;
}

} // namespace

void TClipboard::SetText(const QString& text, bool secret)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw EClipboardError("Cannot open clipboard");
    auto* data = new QMimeData;
    data->setText(text);
    if (secret)
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    clipboard->setMimeData(data);
    // Another program may keep the clipboard to itself; then the paste must not use old text.
    const QMimeData* now = clipboard->mimeData();
    if (!now || now->text() != text)
        throw EClipboardError("Cannot open clipboard");
    // Whatever secret was there before has just been replaced.
    TPendingSecret& pending = Pending();
    if (pending.Timer)
        pending.Timer->stop();
    pending.Text.clear();
    if (secret) {
        pending.Text = text;
        SecretTimer()->start(SecretLifetimeMs);
    }
}

int TClipboard::SecretRemainingMs()
{
    const TPendingSecret& pending = Pending();
    return pending.Timer && pending.Timer->isActive() ? pending.Timer->remainingTime() : -1;
}

void TClipboard::ExpireSecret()
{
    TPendingSecret& pending = Pending();
    if (pending.Timer)
        pending.Timer->stop();
    const QString secret = std::exchange(pending.Text, QString());
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || secret.isNull())
        return;
    // Text the user copied since then, from here or elsewhere, stays.
    const QMimeData* now = clipboard->mimeData();
    if (now && now->hasText() && now->text() == secret)
        clipboard->clear();
}
