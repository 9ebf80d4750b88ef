// Writing plain text to the clipboard.
#include "ui/UClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void TClipboard::SetText(const QString& text, bool secret)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw TClipboardError("Cannot open clipboard");
    auto* data = new QMimeData;
    data->setText(text);
    if (secret)
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    clipboard->setMimeData(data);
    // Another program may keep the clipboard to itself; then the paste must not use old text.
    const QMimeData* now = clipboard->mimeData();
    if (!now || now->text() != text)
        throw TClipboardError("Cannot open clipboard");
}
