// Logging in with one key: finds the log-in form of the page shown in the browser pane and fills
// it with a forum's user name and password as typing would, leaving the keyboard focus in the
// password box so that Enter logs in. The rule lives in resources/browser/loginfill.js. The
// caller decides between the two steps whether the password may go to the site that holds the
// form.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class TBrowserPane;

class TLoginFill : public QObject
{
    Q_OBJECT
public:
    explicit TLoginFill(TBrowserPane* pane);

    // The log-in form of the page shown: whether there is one, whether it has a password box (a
    // log-in in two steps shows the user name box alone first) and a user name box, and the
    // document that holds it: its origin (empty when it cannot be told) and whether it is a frame.
    struct TLoginForm
    {
        bool Found = false;
        bool HasPassword = false;
        bool HasUser = false;
        QUrl Origin;
        bool InFrame = false;
        // The origin as the page states it, which the fill checks again.
        QString OriginText;
    };
    using TFindDone = std::function<void(const TLoginForm& form)>;
    // Tells done from the event loop; nothing is found while no page is shown.
    void Find(TFindDone done);

    // Which boxes hold their text afterwards.
    struct TFilled
    {
        bool User = false;
        bool Password = false;
    };
    using TFillDone = std::function<void(TFilled filled)>;
    // Fills the form that Find found last, as long as its document still has that origin; an empty
    // user name or password leaves its box alone. The pane takes the keyboard focus, so that the
    // page's focus is real and Enter reaches it. Tells done from the event loop.
    void Fill(const TLoginForm& form, const QString& username, const QString& password, TFillDone done);

private:
    TBrowserPane* FPane;
};
