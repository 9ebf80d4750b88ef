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
        ShowNote(QStringLiteral("Nothing was filled: select a forum in the list first."));
        return;
    }
    const TForum& forum = Forums->RecordAt(index);
    const QString username = FromAnsi(forum.Username), password = FromAnsi(forum.Password);
    if (password.isEmpty()) {
        ShowNote(QStringLiteral("Nothing was filled: the selected forum has no password."));
        return;
    }
    const QUrl forumAddress = TSiteMatch::ForumAddress(FromAnsi(forum.URL));
    QPointer<TfrmMain> self(this);
    FLoginFill->Find([self, username, password, forumAddress](const TLoginFill::TLoginForm& form) {
        if (!self)
            return;
        if (!form.Found) {
            self->ShowNote(QStringLiteral("Nothing was filled: no log-in form on this page."));
            return;
        }
        // The first page of a log-in in two steps asks for the user name alone.
        if (!form.HasPassword && username.isEmpty()) {
            self->ShowNote(QStringLiteral("Nothing was filled: the selected forum has no user name."));
            return;
        }
        if (form.HasPassword && !self->PasswordMayFillLogin(form.Origin, form.InFrame, forumAddress)) {
            self->ShowNote(QStringLiteral("Not filled: the log-in form is on another site."));
            return;
        }
        self->FLoginFill->Fill(
            form, username, form.HasPassword ? password : QString(), [self](TLoginFill::TFilled filled) {
                if (!self)
                    return;
                if (filled.Password)
                    self->ShowNote(QStringLiteral("Filled the log-in form."));
                else if (filled.User)
                    self->ShowNote(QStringLiteral("Filled the user name. Press Enter to go on."));
                else
                    self->ShowNote(QStringLiteral("Nothing was filled: the page did not take the log-in."));
            });
    });
}
