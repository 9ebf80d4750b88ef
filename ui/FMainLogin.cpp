// Log in with one key: the selected forum's user name and password go into the log-in form of the
// page shown, as typing would, and the keyboard focus stays in the password box so that Enter logs
// in. The page's log-in button is never pressed. The password goes only to the forum's site,
// unless the user says otherwise when asked, as for the password paste.
#include "ui/FMain.h"

#include "browser/TBrowserPane.h"
#include "browser/TLoginFill.h"
#include "browser/TSiteMatch.h"
#include "ui/UAnsi.h"

#include <QPointer>

void TfrmMain::actLogInClick()
{
    const int index = ForumIndex();
    if (index < 0) {
        ShowNote(QStringLiteral("Select a forum in the list first: its user name and password log in."));
        return;
    }
    const TForum& forum = Forums->RecordAt(index);
    const QString username = FromAnsi(forum.Username), password = FromAnsi(forum.Password);
    if (password.isEmpty()) {
        ShowNote(QStringLiteral("The selected forum has no password: type it in the Password box first."));
        return;
    }
    const QUrl forumAddress = TSiteMatch::ForumAddress(FromAnsi(forum.URL));
    QPointer<TfrmMain> self(this);
    FLoginFill->Find([self, username, password, forumAddress](const TLoginFill::TLoginForm& form) {
        if (!self)
            return;
        if (!form.Found) {
            self->ShowNote(QStringLiteral("There is no log-in form on this page."));
            return;
        }
        // The first page of a log-in in two steps asks for the user name alone.
        if (!form.HasPassword && username.isEmpty()) {
            self->ShowNote(QStringLiteral("The page asks for a user name, and the selected forum has none."));
            return;
        }
        if (form.HasPassword && !self->PasswordMayFillLogin(form.Origin, form.InFrame, forumAddress)) {
            self->ShowNote(
                QStringLiteral("Nothing was filled in: the log-in form is not on the forum's site."));
            return;
        }
        self->FLoginFill->Fill(
            form, username, form.HasPassword ? password : QString(), [self](TLoginFill::TFilled filled) {
                if (!self)
                    return;
                if (filled.Password)
                    self->ShowNote(QStringLiteral("Log-in filled in: press Enter to log in."));
                else if (filled.User)
                    self->ShowNote(QStringLiteral("User name filled in: press Enter to go on."));
                else
                    self->ShowNote(QStringLiteral("The page did not take the log-in."));
            });
    });
}
