// The posting record's addresses as they are kept and shown.
#include "ui/UPostRecord.h"

#include "core/UUtils.h"
#include "ui/UAnsi.h"

#include <QUrl>

namespace {

bool Hidden(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x061c || c == 0x200e || c == 0x200f ||
           (c >= 0x2028 && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

QString Escaped(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (!Hidden(c)) {
            shown += QString::fromUcs4(&c, 1);
            continue;
        }
        for (const char byte : QString::fromUcs4(&c, 1).toUtf8()) {
            const auto value = static_cast<unsigned char>(byte);
            shown += QLatin1Char('%');
            shown += QLatin1Char("0123456789ABCDEF"[value >> 4]);
            shown += QLatin1Char("0123456789ABCDEF"[value & 15]);
        }
    }
    return shown;
}

// The beginning and the end of a long text around an ellipsis; the beginning, where the site is,
// gets the larger part.
QString Bounded(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    const qsizetype tail = (limit - 1) / 3;
    return text.left(limit - 1 - tail) + QChar(0x2026) + text.right(tail);
}

} // namespace

std::string RecordedForum(const std::string& forum)
{
    return WithoutUserInfo(forum);
}

std::string RecordedThread(const QUrl& thread, const std::string& forum)
{
    const QString address = thread.toString(QUrl::RemoveUserInfo);
    if (address.size() <= MaxRecordedAddress)
        return ToAnsi(address);
    const QUrl site(FromAnsi(RecordedForum(forum)));
    // A web forum's origin is its scheme, host and port; a local one stands for itself.
    if (site.scheme() == QLatin1String("http") || site.scheme() == QLatin1String("https"))
        return ToAnsi(
            site.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
                .toString());
    return RecordedForum(forum);
}

QString ShownAddress(const std::string& stored, qsizetype limit)
{
    const std::string address = WithoutUserInfo(stored);
    // Only the two ends of a long address are shown, so only they are decoded: four bytes at most
    // per character, and one character more at each seam, which may be cut in two.
    const std::size_t room = static_cast<std::size_t>(limit + 1) * 4;
    const QString text = address.size() <= 2 * room
                             ? FromAnsi(address)
                             : FromAnsi(address.substr(0, room)).chopped(1) +
                                   FromAnsi(address.substr(address.size() - room)).mid(1);
    return Bounded(Escaped(text), limit);
}

QString EscapedAddress(const std::string& stored)
{
    return Escaped(FromAnsi(WithoutUserInfo(stored)));
}
