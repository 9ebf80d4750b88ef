// The rule for where a password may go.
#include "ui/UPasswordRule.h"

#include "browser/TSiteMatch.h"
#include "toolkit/TMessageBox.h"

#include <utility>

namespace {

// The two sites of a question, as the user can tell them apart: their names, or their origins
// where the names alone are the same (http and https, two ports).
std::pair<QString, QString> SiteNames(const QUrl& page, const QUrl& forum)
{
    const QString pageName = TSiteMatch::SiteName(page);
    const QString forumName = TSiteMatch::SiteName(forum);
    if (pageName != forumName)
        return {pageName, forumName};
    return {TSiteMatch::Origin(page), TSiteMatch::Origin(forum)};
}

// The page's own question: the first address it may show that is not of the forum's site.
QString PageQuestion(const QList<QUrl>& shown, const QUrl& forum)
{
    for (const QUrl& page : shown) {
        if (TSiteMatch::SameSite(page, forum))
            continue;
        const auto [pageName, forumName] = SiteNames(page, forum);
        return QStringLiteral("The page is on %1, but this password belongs to %2. Paste it anyway?")
            .arg(pageName, forumName);
    }
    return {};
}

// A frame of another site, named by its address.
QString OtherFrameQuestion(const QUrl& frame, const QUrl& forum)
{
    const auto [frameName, forumName] = SiteNames(frame, forum);
    return QStringLiteral(
               "The selected field is in a frame from %1, but this password belongs to %2. Paste it "
               "anyway?")
        .arg(frameName, forumName);
}

} // namespace

QString PasswordQuestion(const QList<QUrl>& shown, const TPasswordTarget& target,
                         const std::optional<QUrl>& forum)
{
    if (!forum)
        return {};
    // The top document, or no field at all: the page's site is the one that counts.
    if (!target.InFrame || target.NoField)
        return PageQuestion(shown, *forum);
    const QString forumName = TSiteMatch::SiteName(*forum);
    if (!target.Known) {
        // A frame that cannot be read is named by the address it was given, as the frame's: what
        // it holds now may be anyone's.
        if (target.FrameAddress.isEmpty())
            return QStringLiteral(
                       "The selected field is in a frame whose site cannot be told, but this password "
                       "belongs to %1. Paste it anyway?")
                .arg(forumName);
        if (!TSiteMatch::SameSite(target.FrameAddress, *forum))
            return OtherFrameQuestion(target.FrameAddress, *forum);
        return QStringLiteral(
                   "The selected field is in a frame whose site cannot be told (the frame was opened "
                   "from %1, but what it shows now cannot be seen), and this password belongs to %2. "
                   "Paste it anyway?")
            .arg(TSiteMatch::SiteName(target.FrameAddress), forumName);
    }
    if (!TSiteMatch::SameSite(target.Origin, *forum))
        return OtherFrameQuestion(target.Origin, *forum);
    // A frame of the forum's site on a page of another: the page can read what its frames hold.
    return PageQuestion(shown, *forum);
}

bool PasswordMayGoTo(const TBrowserPane& pane, const TPasswordTarget& target,
                     const std::optional<QUrl>& forum, TMessageBox& box, bool* asked)
{
    QString text = PasswordQuestion(pane.DocumentAddresses(), target, forum);
    if (asked)
        *asked = !text.isEmpty();
    if (text.isEmpty())
        return true;
    // "&" would mark a mnemonic in the message box.
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return box.ShowMessageBox(text, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}, 0,
                              TMsgDlgBtn::mbNo) == mrYes;
}

bool SamePasswordTarget(const QList<QUrl>& askedShown, const TPasswordTarget& asked, const QList<QUrl>& shown,
                        const TPasswordTarget& now)
{
    if (!(now == asked))
        return false;
    for (const QUrl& page : shown)
        if (!askedShown.contains(page))
            return false;
    return true;
}
