// The note along the bottom of the browser pane: what Auto Insert filled, and what became of a
// send that the posting run saw. Auto Insert itself shows no message box; the note says in a line
// what happened, and reaches screen readers as a label.
#include "ui/FMain.h"

#include "browser/TBrowserPane.h"
#include "ui/UAnsi.h"

#include <QDateTime>
#include <QUrl>

void TfrmMain::ShowNote(const QString& text)
{
    webBrowser->ShowNote(text);
}

QString TfrmMain::NoteText() const
{
    return webBrowser->NoteText();
}

void TfrmMain::ShowFillNote(const TFillReport& report)
{
    // What the page took. An empty part is never looked for on a posting form, so it is named as
    // empty rather than as not written.
    const auto filled = [&report]() -> QString {
        const bool subject = report.SubjectWritten && !report.Subject.isEmpty();
        const bool body = report.BodyWritten && !report.Body.isEmpty();
        if (subject && body)
            return QStringLiteral("Filled the subject and the message.");
        if (body) {
            if (report.Subject.isEmpty())
                return QStringLiteral("Filled the message. The subject is empty.");
            if (report.SubjectBox)
                return QStringLiteral("Filled the message. The subject could not be written here.");
            return QStringLiteral("Filled the message. This page has no subject box.");
        }
        if (subject)
            return report.Body.isEmpty()
                       ? QStringLiteral("Filled the subject. The message is empty.")
                       : QStringLiteral("Filled the subject. The message could not be written here.");
        if (report.Subject.isEmpty() && report.Body.isEmpty())
            return QStringLiteral("Nothing was filled: the subject and the message are empty.");
        if (report.Form)
            return QStringLiteral("Nothing was filled: the page did not take the text.");
        return QStringLiteral("Nothing was filled: no posting form on this page.");
    };
    QString text = filled();
    const QList<QUrl> shown = webBrowser->DocumentAddresses();
    if (Posts && !shown.isEmpty()) {
        const auto found = FMarks.find(ForumOfPage(shown.constFirst()));
        if (found != FMarks.end()) {
            // When it was sent, in the user's local time, as the forum list's hint shows it.
            const std::string& stored = Posts->RecordAt(found->second).SentAt;
            const QDateTime sent = QDateTime::fromString(FromAnsi(stored), Qt::ISODate);
            const QString when = sent.isValid()
                                     ? sent.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                     : FromAnsi(stored);
            text += QStringLiteral(" This forum already has this post (%1).").arg(when);
        }
    }
    ShowNote(text);
}
