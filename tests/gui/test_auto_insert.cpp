// Auto Insert on posting pages laid out as forum engines and rich editors ship them, with the real
// editor libraries, served from 127.0.0.1: what each page's own submit sends afterwards, where the
// keyboard focus ends up, and pages on which nothing may be written.
#include "BrowserTestSupport.h"
#include "ForumServer.h"
#include "ui/FMain.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

// Typed as a user might: non-ASCII, markup that must arrive as text, a web address, two lines.
const QString Subject = QString::fromUtf8("Grüße aus Köln – Frage zu <i>東京</i> & mehr");
const QString Body = QString::fromUtf8("Erste Zeile: Grüße, 東京 ✓\n"
                                       "Zweite: siehe https://example.org/a?b=1&c=ü und <b>&amp;</b>");

// The editor libraries the pages load, by the URL prefix they load them under; the directories
// come from the build (scripts/install-deps.sh installs them).
struct TLibrary
{
    const char* Prefix;
    const char* Variable;
    const char* Probe; // a file that must be there
};
const TLibrary Libraries[] = {
    {"/lib/ckeditor/", "THREADWICK_CKEDITOR", "ckeditor.js"},
    {"/lib/jquery/", "THREADWICK_JQUERY", "jquery.min.js"},
    {"/lib/node/", "THREADWICK_NODE_MODULES", "sceditor/minified/jquery.sceditor.bbcode.min.js"},
    {"/lib/node/", "THREADWICK_NODE_MODULES", "quill/dist/quill.js"},
};

// True when some field, editing host or editable frame of the page holds the text: the last
// thing Auto Insert writes, so once it is there the whole fill is done.
const char* HoldsScript = R"((function (text) {
  function holds(doc) {
    for (const e of doc.querySelectorAll('textarea, input')) if (e.value.includes(text)) return true;
    for (const e of doc.querySelectorAll('[contenteditable], body'))
      if (e.isContentEditable && e.textContent.includes(text)) return true;
    for (const f of doc.querySelectorAll('iframe')) {
      try { if (f.contentDocument && holds(f.contentDocument)) return true; } catch (e) {}
    }
    return false;
  }
  return holds(document);
}))";

// Every value and editable text of the page and its same-origin frames, as one string.
const char* SnapshotScript = R"((function () {
  const parts = [];
  function take(doc) {
    for (const e of doc.querySelectorAll('input, textarea, select')) parts.push(e.value);
    for (const e of doc.querySelectorAll('[contenteditable], body')) if (e.isContentEditable) parts.push(e.innerHTML);
    for (const f of doc.querySelectorAll('iframe')) { try { if (f.contentDocument) take(f.contentDocument); } catch (e) {} }
  }
  take(document);
  return JSON.stringify(parts);
})())";

QString Json(const QString& text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

// What an HTML editor sent, as the text a reader sees: paragraphs on lines of their own.
QString HtmlText(const QString& html)
{
    // Line breaks between the tags are the editor's layout of its source, not text.
    static const QRegularExpression between(QStringLiteral(">\\s+<"));
    QTextDocument document;
    document.setHtml(html.trimmed().replace(between, QStringLiteral("><")));
    return document.toPlainText();
}

class AutoInsert : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite()
    {
        QMap<QString, QString> roots{{QStringLiteral("/"), qEnvironmentVariable("THREADWICK_FIXTURES")}};
        for (const TLibrary& library : Libraries) {
            const QString directory = qEnvironmentVariable(library.Variable);
            roots.insert(QLatin1String(library.Prefix), directory);
            if (!QFileInfo::exists(directory + QLatin1Char('/') + QLatin1String(library.Probe)))
                Missing += QStringLiteral("%1/%2 ").arg(directory, QLatin1String(library.Probe));
        }
        Server = new TForumServer(roots);
        OpenWindow();
    }
    static void TearDownTestSuite()
    {
        CloseWindow();
        delete Server;
    }
    void SetUp() override
    {
        // Missing libraries are a broken set-up, never a reason to skip.
        ASSERT_TRUE(Missing.isEmpty())
            << "Editor libraries missing (run scripts/install-deps.sh): " << Missing.toStdString();
        ASSERT_TRUE(Server->Listening());
        Server->Clear();
    }

    static QVariant Run(const QString& script) { return RunScript(Pane().Page(), script); }

    // Opens a page of the server and waits until its editors are ready: pages with scripts say so
    // in window.pageReady.
    static bool OpenPage(const QString& path)
    {
        Pane().Navigate(Server->Url(path));
        return WaitUntil([] {
            return Pane().Page() && !Pane().IsBusy() &&
                   Run(QStringLiteral("window.pageReady === true || (document.readyState === 'complete' && "
                                      "!document.querySelector('script'))"))
                       .toBool();
        });
    }

    static bool Holds(const QString& text)
    {
        return Run(QLatin1String(HoldsScript) + QLatin1Char('(') + Json(text) + QLatin1Char(')')).toBool();
    }

    // The POST the server received at path, once it has come.
    static std::optional<TReceived> Post(const QString& path)
    {
        std::optional<TReceived> found;
        WaitUntil([&] {
            for (const TReceived& received : Server->Received())
                if (received.Path == path)
                    found = received;
            return found.has_value();
        });
        return found;
    }

    // The three steps of the button, awaited: which fields by name, then which parts found.
    struct TSteps
    {
        bool Subject = false;
        bool Body = false;
        TBrowserPane::TPostParts Found;
    };
    static std::optional<TSteps> AutoInsertAndWait()
    {
        auto steps = std::make_shared<std::optional<TSteps>>();
        TBrowserPane* pane = &Pane();
        pane->FillField(QStringLiteral("subject"), Subject, [pane, steps](bool subject) {
            pane->FillField(QStringLiteral("body"), Body, [pane, steps, subject](bool body) {
                pane->FillPost(Subject, Body, {!subject, !body},
                               [steps, subject, body](TBrowserPane::TPostParts found) {
                                   *steps = TSteps{subject, body, found};
                               });
            });
        });
        WaitUntil([&] { return steps->has_value(); });
        return *steps;
    }

    static QString Missing;
    static TForumServer* Server;
};

QString AutoInsert::Missing;
TForumServer* AutoInsert::Server = nullptr;

TEST_F(AutoInsert, ThePagesOwnSubmitSendsTheTypedPost)
{
    const struct
    {
        const char* Page;
        const char* Focus;  // focused before Auto Insert, and so after it; nullptr: nothing
        const char* Submit; // the page's own send control
        const char* Path;   // where the page sends the post
        const char* SubjectField;
        const char* BodyField;
        bool Html;             // the editor sends HTML
        const char* Untouched; // a field that keeps its value: name=value
    } cases[] = {
        {"/autoinsert/phpbb.html", "#keywords", "input[name=post]", "/post/phpbb", "subject", "message",
         false, "poll_title="},
        {"/autoinsert/smf.html", nullptr, "input[name=post]", "/post/smf", "subject", "message", false,
         "icon=xx"},
        {"/autoinsert/smf.html?wysiwyg", "input[name=subject]", "input[name=post]", "/post/smf", "subject",
         "message", false, "icon=xx"},
        {"/autoinsert/bbpress.html", "#bbp_topic_tags", "#bbp_topic_submit", "/post/bbpress",
         "bbp_topic_title", "bbp_topic_content", false, "bbp_topic_tags="},
        {"/autoinsert/discourse.html", nullptr, ".btn.create", "/post/discourse", "title", "raw", false,
         "archetype=regular"},
        {"/autoinsert/ckeditor.html", "#f1", "button[name=send]", "/post/ckeditor", "f1", "content", true,
         "send="},
        {"/autoinsert/quill.html", nullptr, "button.post", "/post/quill", "headline", "content", true,
         "author=Guest"},
    };
    TMessageRecorder recorder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page);
        Server->Clear();
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        const QString focused =
            c.Focus ? QStringLiteral("document.querySelector('%1')").arg(QLatin1String(c.Focus))
                    : QStringLiteral("document.body");
        if (c.Focus)
            Run(focused + QStringLiteral(".focus()"));
        Window->edtSubject->setText(Subject);
        Window->memBody->setPlainText(Body);
        QTest::mouseClick(Window->btnAutoInsert, Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([] { return Holds(Body.section(QLatin1Char('\n'), -1)); }, 10000));
        EXPECT_TRUE(Run(QStringLiteral("document.activeElement === ") + focused).toBool())
            << Run(QStringLiteral("document.activeElement.outerHTML.slice(0, 80)")).toString().toStdString();

        Run(QStringLiteral("document.querySelector('%1').click()").arg(QLatin1String(c.Submit)));
        const std::optional<TReceived> post = Post(QLatin1String(c.Path));
        ASSERT_TRUE(post.has_value());
        QString body = post->Fields.value(QLatin1String(c.BodyField));
        body = c.Html ? HtmlText(body) : body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        EXPECT_EQ(post->Fields.value(QLatin1String(c.SubjectField)).toStdString(), Subject.toStdString())
            << post->Body.toStdString();
        EXPECT_EQ(body.toStdString(), Body.toStdString()) << post->Body.toStdString();
        const QString untouched = QLatin1String(c.Untouched);
        EXPECT_EQ(post->Fields.value(untouched.section(QLatin1Char('='), 0, 0)),
                  untouched.section(QLatin1Char('='), 1))
            << untouched.toStdString();
    }
    EXPECT_TRUE(recorder.Boxes().isEmpty());
}

TEST_F(AutoInsert, WritesNothingWhereNoPostIsWritten)
{
    const struct
    {
        const char* Page;
        const char* Focus;
    } cases[] = {
        {"/autoinsert/login.html", "#username"},
        {"/autoinsert/search.html", "#keywords"},
        {"/autoinsert/readonly.html", "#comment"},
        {"/noforms.html", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page);
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        if (c.Focus)
            Run(QStringLiteral("document.querySelector('%1').focus()").arg(QLatin1String(c.Focus)));
        const QString before = Run(QLatin1String(SnapshotScript)).toString();
        const std::optional<TSteps> steps = AutoInsertAndWait();
        ASSERT_TRUE(steps.has_value());
        EXPECT_FALSE(steps->Found.Subject);
        EXPECT_FALSE(steps->Found.Body);
        EXPECT_EQ(Run(QLatin1String(SnapshotScript)).toString(), before);
        if (c.Focus) {
            EXPECT_TRUE(Run(QStringLiteral("document.activeElement === document.querySelector('%1')")
                                .arg(QLatin1String(c.Focus)))
                            .toBool());
        }
    }
    EXPECT_TRUE(Server->Received().isEmpty());
}

// The field named "body" takes the body; the subject still goes into the title box beside it.
TEST_F(AutoInsert, FindsTheSubjectBesideTheFieldNamedBody)
{
    ASSERT_TRUE(OpenPage(QStringLiteral("/autoinsert/namedbody.html")));
    const std::optional<TSteps> steps = AutoInsertAndWait();
    ASSERT_TRUE(steps.has_value());
    EXPECT_FALSE(steps->Subject);
    EXPECT_TRUE(steps->Body);
    EXPECT_TRUE(steps->Found.Subject);
    EXPECT_FALSE(steps->Found.Body);
    EXPECT_EQ(Run(QStringLiteral("document.getElementById('t').value")).toString().toStdString(),
              Subject.toStdString());
    EXPECT_EQ(Run(QStringLiteral("document.getElementById('b').value")).toString().toStdString(),
              Body.toStdString());
}

} // namespace
