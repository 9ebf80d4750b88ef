// The note along the bottom of the browser pane, as a user meets it during a posting run on pages
// served from 127.0.0.1: what Auto Insert filled, a post of the subject already sent to the forum,
// and what became of a send. The note is the program's own: the page never holds its text.
#include "BrowserTestSupport.h"
#include "ForumServer.h"
#include "ui/FMain.h"

#include <QAccessible>
#include <QDateTime>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

class PageNote : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite()
    {
        Server = new TForumServer({{QStringLiteral("/"), qEnvironmentVariable("THREADWICK_FIXTURES")}});
        Server->SetAnswer(
            QStringLiteral("/post/form"),
            {"303 See Other", "Location: /posting/thread.html?t=42\r\n", "text/plain", "moved"});
        Server->SetAnswer(QStringLiteral("/post/refused"),
                          {"200 OK",
                           {},
                           "text/html; charset=utf-8",
                           "<!DOCTYPE html><p class=error>The subject is too long.</p><form method=post "
                           "action=/post/refused><textarea name=message rows=15>{message}</textarea>"
                           "<input type=submit name=post></form>"});
        OpenWindow();
    }
    static void TearDownTestSuite()
    {
        CloseWindow();
        delete Server;
    }

    static QVariant Run(const QString& script) { return RunScript(Pane().Page(), script); }

    static bool OpenPage(const QString& path)
    {
        Pane().Navigate(Server->Url(path));
        return WaitUntil([&] {
            return Pane().Page() && !Pane().IsBusy() && Pane().Page()->url().path() == QUrl(path).path() &&
                   Run(QStringLiteral("document.readyState === 'complete'")).toBool();
        });
    }

    static inline TForumServer* Server = nullptr;
};

TEST_F(PageNote, SaysWhatAutoInsertFilledAndWhatBecameOfTheSend)
{
    const QString subject = QStringLiteral("Release 2.0 is out");
    const struct
    {
        const char* Page;
        const char* Send; // the page's send control, clicked after Auto Insert; nullptr: none
        QString Filled;   // the note after Auto Insert
        QString Sent;     // the note once the send was seen
    } cases[] = {
        {"/noforms.html", nullptr, QStringLiteral("Nothing was filled: no posting form on this page."), {}},
        {"/autoinsert/quickreply.html",
         nullptr,
         QStringLiteral("Filled the message. This page has no subject box."),
         {}},
        {"/posting/form.html", "#post", QStringLiteral("Filled the subject and the message."),
         QStringLiteral("Recorded: ") + Server->Url(QStringLiteral("/posting/thread.html?t=42"))},
        // The post just recorded went to this forum (every page here is on one site).
        {"/posting/refuse.html", "#post",
         QStringLiteral("Filled the subject and the message. This forum already has this post (%1)."),
         QStringLiteral("The forum gave the form back: nothing recorded.")},
    };
    Window->edtSubject->setText(subject);
    Window->memBody->setPlainText(QStringLiteral("The new release is out.\nDetails on the site."));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page);
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        Window->ShowNote(QString()); // a note of the case before would hide a missing one
        QTest::mouseClick(Window->btnAutoInsert, Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([] { return !Window->NoteText().isEmpty(); }));
        QString filled = c.Filled;
        if (filled.contains(QLatin1String("%1")))
            filled = filled.arg(
                QDateTime::fromString(QString::fromStdString(Window->Posts->RecordAt(0).SentAt), Qt::ISODate)
                    .toLocalTime()
                    .toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        EXPECT_EQ(Window->NoteText().toStdString(), filled.toStdString());
        // Read to screen readers as a label with the note's text; nowhere in the page.
        QWidget* note = nullptr;
        for (QWidget* child : Pane().findChildren<QWidget*>())
            if (child->isVisible() && child->accessibleName() == filled)
                note = child;
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(note)->role(), QAccessible::StaticText);
        EXPECT_TRUE(Pane().View()->geometry().contains(note->geometry()));
        EXPECT_FALSE(Run(QStringLiteral("document.documentElement.outerHTML.includes('Filled')")).toBool());
        if (!c.Send)
            continue;
        Window->ShowNote(QString());
        // A send counts after an act of the user in the page: a click beside the form.
        QWidget* view = Pane().View()->focusProxy() ? Pane().View()->focusProxy() : Pane().View();
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(2, 2));
        Run(QStringLiteral("document.querySelector('%1').click()").arg(QLatin1String(c.Send)));
        ASSERT_TRUE(WaitUntil([] { return !Window->NoteText().isEmpty(); }));
        EXPECT_EQ(Window->NoteText().toStdString(), c.Sent.toStdString());
    }
    // The note goes by itself.
    EXPECT_TRUE(WaitUntil([] { return Window->NoteText().isEmpty(); }, 10000));
}

} // namespace
