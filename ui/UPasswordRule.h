// Where a password may go: the one rule that the password paste and the log-in fill share. The
// password goes without a question only to a document of its forum's site; anywhere else (a page
// or frame of another site, a frame whose content cannot be read, an address that cannot be
// named) the user is asked first, with No as the default, and the question names the document
// that would receive the password.
#pragma once

#include "browser/TBrowserPane.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

class TMessageBox;

// The document a password would go to, as the pane tells it: its origin (or that it cannot be
// told), whether it is in a frame, the address of the frame that hides it, and whether any field
// holds the focus at all.
using TPasswordTarget = TBrowserPane::TFocusedSite;

// The question asked before the password of forum goes to target on a page shown at the
// addresses shown (two while a load is under way); empty when it may go without one. Without a
// forum the password belongs to no site and is never held back; a paste that lands in no field
// is held back only by the page's own site.
QString PasswordQuestion(const QList<QUrl>& shown, const TPasswordTarget& target,
                         const std::optional<QUrl>& forum);

// True when the password may go to target: at once, or after the user said Yes (then asked is
// set, and the caller checks that the target is still the same before it sends the password).
bool PasswordMayGoTo(const TBrowserPane& pane, const TPasswordTarget& target,
                     const std::optional<QUrl>& forum, TMessageBox& box, bool* asked = nullptr);

// Whether the password may still go after a Yes: the same target, on a page that shows nothing it
// did not show when the user was asked.
bool SamePasswordTarget(const QList<QUrl>& askedShown, const TPasswordTarget& asked, const QList<QUrl>& shown,
                        const TPasswordTarget& now);
