// Auto Insert on posting pages laid out as forum engines and rich editors ship them, with the real
// editor libraries, served from 127.0.0.1: what each page's own submit sends afterwards, where the
// keyboard focus ends up, and pages on which nothing may be written.
#include "BrowserTestSupport.h"
#include "ForumServer.h"
#include "ui/FMain.h"

#include <QApplication>
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
    {"/lib/node/", "THREADWICK_NODE_MODULES", "ckeditor5/dist/browser/ckeditor5.umd.js"},
    {"/lib/node/", "THREADWICK_NODE_MODULES", "tinymce/tinymce.min.js"},
    {"/lib/prosemirror/", "THREADWICK_PROSEMIRROR", "prosemirror.js"},
    {"/lib/codemirror/", "THREADWICK_CODEMIRROR", "codemirror.js"},
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

    // Clicks the real "Auto Insert" button and waits until its whole chain has run; the outline
    // it showed then. nullopt when the chain did not end.
    static std::optional<TPostFill::TOutline> ClickAutoInsert()
    {
        auto shown = std::make_shared<std::optional<TPostFill::TOutline>>();
        const QMetaObject::Connection connection = QObject::connect(
            Window->PostFill, &TPostFill::FillStageReached, [shown](TPostFill::TFillStage stage) {
                if (stage == TPostFill::TFillStage::Shown)
                    *shown = Window->PostFill->ShownOutline();
            });
        QTest::mouseClick(Window->btnAutoInsert, Qt::LeftButton);
        WaitUntil([&] { return shown->has_value(); });
        QObject::disconnect(connection);
        return *shown;
    }

    // Types the message into the window, with the keyboard focus in its body, as a user would.
    static void TypeMessage(const QString& subject, const QString& body)
    {
        Window->edtSubject->setText(subject);
        Window->memBody->setPlainText(body);
        Window->memBody->setFocus(Qt::OtherFocusReason);
    }

    static QString Value(const QString& selector)
    {
        return Run(QStringLiteral(
                       "(function (e) { return e ? (e.isContentEditable ? e.innerText : e.value) : null; })"
                       "(document.querySelector(%1))")
                       .arg(Json(selector)))
            .toString();
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
        const char* Focus;        // focused in the page before Auto Insert, and so after it; nullptr: nothing
        const char* Submit;       // the page's own send control
        const char* Path;         // where the page sends the post
        const char* SubjectField; // nullptr: the page has no subject box, and no field gets it
        const char* BodyField;
        bool Html;             // the editor sends HTML
        const char* Untouched; // a field that keeps its value: name=value; nullptr: none
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
        // Editor families: beforeinput-only typing, a frame editor, a .ProseMirror host.
        {"/autoinsert/ckeditor5.html", nullptr, "#thread button[type=submit]", "/post/ckeditor5",
         "thread[title]", "thread[message]", true, nullptr},
        {"/autoinsert/tinymce.html", "#sujet", "input[name=envoyer]", "/post/tinymce", "sujet", "texte", true,
         "envoyer=Envoyer"},
        {"/autoinsert/prosemirror.html", nullptr, "#post", "/post/prosemirror", "title", "content", true,
         nullptr},
        // A message box of two lines that grows, below a toolbar of lettered buttons.
        {"/autoinsert/autosize.html", nullptr, "button[type=submit]", "/post/autosize", "topic_name",
         "md_source", false, nullptr},
        // The title outside the editor's wrapper, whose buttons are not senders.
        {"/autoinsert/markdown.html", nullptr, "#publish", "/post/markdown", "title", "raw", false, nullptr},
        {"/autoinsert/sendrow.html", nullptr, ".send", "/post/sendrow", "title", "text", false, nullptr},
        {"/autoinsert/titlearea.html", nullptr, "button[type=submit]", "/post/titlearea", "q_title", "q_text",
         false, nullptr},
        {"/autoinsert/nested.html", nullptr, "#outer input[type=submit]", "/post/nested", "topic", "message",
         false, nullptr},
        // Only real focus takes the frame editor's placeholder away.
        {"/autoinsert/focuswake.html", nullptr, "#f input[type=submit]", "/post/focuswake", "subj", "msg",
         true, nullptr},
        // The one text box of the form, which nothing names: the subject's box.
        {"/autoinsert/lonebox.html", nullptr, "input[type=submit]", "/post/lonebox", "t1", "t2", false,
         nullptr},
        // No box for a subject: the name and city, the comment's author and the search stay empty.
        {"/autoinsert/guestbook.html", nullptr, "input[type=submit]", "/post/guestbook", nullptr, "gb_text",
         false, "gb_c="},
        {"/autoinsert/comment.html", "#author", "input[name=submit]", "/post/comment", nullptr, "comment",
         false, "author="},
        {"/autoinsert/quickreply.html", nullptr, "input[name=post]", "/post/quickreply", nullptr,
         "qr_message", false, "topic_id=42"},
        // A required title of two rows that grows.
        {"/autoinsert/titlegrow.html", nullptr, "button[type=submit]", "/post/titlegrow", "topic[title]",
         "topic[content]", true, nullptr},
        // The title below the message in a form of its own; the send button comes with the title.
        {"/autoinsert/titlebelow.html", nullptr, "#create", "/post/titlebelow", "topic_title", "message",
         false, nullptr},
        // A code editor below the fold, which scrolls itself into view when written.
        {"/autoinsert/codeeditor.html", nullptr, "#share", "/post/codeeditor", "title", "code", false,
         nullptr},
        // The send button waits for the frame editor's own change report.
        {"/autoinsert/bbcodeframe.html", nullptr, "#submit", "/post/bbcodeframe", "title", "message", false,
         nullptr},
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
        const int scrolled = Run(QStringLiteral("window.scrollY")).toInt();
        TypeMessage(Subject, Body);
        const std::optional<TPostFill::TOutline> outline = ClickAutoInsert();
        ASSERT_TRUE(outline.has_value());
        EXPECT_FALSE(outline->Rects.isEmpty());
        EXPECT_TRUE(Holds(Body.section(QLatin1Char('\n'), -1)));
        EXPECT_TRUE(Run(QStringLiteral("document.activeElement === ") + focused).toBool())
            << Run(QStringLiteral("document.activeElement.outerHTML.slice(0, 80)")).toString().toStdString();
        EXPECT_EQ(QApplication::focusWidget(), Window->memBody);
        EXPECT_EQ(Run(QStringLiteral("window.scrollY")).toInt(), scrolled);
        // A send control the user could not click would send nothing.
        EXPECT_TRUE(Run(QStringLiteral("(e => !e.disabled && !e.hidden)(document.querySelector('%1'))")
                            .arg(QLatin1String(c.Submit)))
                        .toBool());

        Run(QStringLiteral("document.querySelector('%1').click()").arg(QLatin1String(c.Submit)));
        const std::optional<TReceived> post = Post(QLatin1String(c.Path));
        ASSERT_TRUE(post.has_value());
        QString body = post->Fields.value(QLatin1String(c.BodyField));
        body = c.Html ? HtmlText(body) : body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (c.SubjectField) {
            EXPECT_EQ(post->Fields.value(QLatin1String(c.SubjectField)).toStdString(), Subject.toStdString())
                << post->Body.toStdString();
        } else {
            for (auto field = post->Fields.cbegin(); field != post->Fields.cend(); ++field)
                EXPECT_NE(field.value(), Subject) << field.key().toStdString();
        }
        EXPECT_EQ(body.toStdString(), Body.toStdString()) << post->Body.toStdString();
        if (c.Untouched) {
            const QString untouched = QLatin1String(c.Untouched);
            EXPECT_EQ(post->Fields.value(untouched.section(QLatin1Char('='), 0, 0)),
                      untouched.section(QLatin1Char('='), 1))
                << untouched.toStdString();
        }
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
        {"/autoinsert/ariareadonly.html", "#subj"},
        // The editor is in a frame of another origin: not even the subject box is written.
        {"/autoinsert/crossframe.html", "#subj"},
        // The reply form is behind the board's modal log-in dialog; the only send controls
        // around a box are hidden or inert.
        {"/autoinsert/modal.html", nullptr},
        {"/autoinsert/modal.html?overlay", nullptr},
        {"/autoinsert/unreachable.html", "#about"},
        {"/noforms.html", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page);
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        if (c.Focus)
            Run(QStringLiteral("document.querySelector('%1').focus()").arg(QLatin1String(c.Focus)));
        const QString before = Run(QLatin1String(SnapshotScript)).toString();
        TypeMessage(Subject, Body);
        // Nothing to write, so the keyboard focus stays in the window: the page never gets it.
        Run(QStringLiteral(
            "window.focusSeen = 0; window.addEventListener('focus', () => window.focusSeen++, true)"));
        const std::optional<TPostFill::TOutline> outline = ClickAutoInsert();
        ASSERT_TRUE(outline.has_value());
        EXPECT_TRUE(outline->Rects.isEmpty());
        EXPECT_EQ(Run(QLatin1String(SnapshotScript)).toString(), before);
        EXPECT_EQ(Run(QStringLiteral("window.focusSeen")).toInt(), 0);
        if (c.Focus) {
            EXPECT_TRUE(Run(QStringLiteral("document.activeElement === document.querySelector('%1')")
                                .arg(QLatin1String(c.Focus)))
                            .toBool());
        }
        EXPECT_EQ(QApplication::focusWidget(), Window->memBody);
    }
    EXPECT_TRUE(Server->Received().isEmpty());
}

// An empty part is not looked for: the page's own text in that place stays.
TEST_F(AutoInsert, AnEmptyPartLeavesThePagesTextAlone)
{
    const struct
    {
        const char* Subject;
        const char* Body;
        const char* Title;  // afterwards
        const char* Editor; // afterwards
    } cases[] = {
        {"", "", "My saved title", "My saved draft"},
        {"New title", "", "New title", "My saved draft"},
        {"", "New text", "My saved title", "New text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Subject) + "|" + c.Body);
        ASSERT_TRUE(OpenPage(QStringLiteral("/autoinsert/draft.html")));
        TypeMessage(QString::fromUtf8(c.Subject), QString::fromUtf8(c.Body));
        ASSERT_TRUE(ClickAutoInsert().has_value());
        EXPECT_EQ(Value(QStringLiteral("#headline")).toStdString(), c.Title);
        EXPECT_EQ(Value(QStringLiteral("#editor")).toStdString(), c.Editor);
    }
}

// Pages that break the fill: nothing lands where it should not, and the focus and the scroll
// position are as they were.
TEST_F(AutoInsert, SurvivesPagesThatFightBack)
{
    const struct
    {
        const char* Page;
        const char* Focus;
        const char* Subject; // #subj afterwards: "S" for the subject
        const char* Text;    // #text afterwards: "B" for the body; nullptr: no such field
    } cases[] = {
        // The editor is removed by its first input event: the subject box is a subject box still.
        {"/autoinsert/removed.html", "#find", "S", nullptr},
        {"/autoinsert/throws.html", nullptr, "S", "B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Page);
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        if (c.Focus)
            Run(QStringLiteral("document.querySelector('%1').focus({ preventScroll: true })")
                    .arg(QLatin1String(c.Focus)));
        Run(QStringLiteral("window.scrollTo(0, 700)"));
        const int scrolled = Run(QStringLiteral("window.scrollY")).toInt();
        TypeMessage(Subject, Body);
        ASSERT_TRUE(ClickAutoInsert().has_value());
        const auto expected = [](const char* code) { return QLatin1String(code) == "S" ? Subject : Body; };
        EXPECT_EQ(Value(QStringLiteral("#subj")).toStdString(), expected(c.Subject).toStdString());
        if (c.Text) {
            EXPECT_EQ(Value(QStringLiteral("#text")).toStdString(), expected(c.Text).toStdString());
        }
        EXPECT_EQ(Run(QStringLiteral(
                          "document.querySelector('#find') ? document.querySelector('#find').value : ''"))
                      .toString(),
                  QString());
        EXPECT_EQ(Run(QStringLiteral("window.scrollY")).toInt(), scrolled);
        if (c.Focus) {
            EXPECT_TRUE(Run(QStringLiteral("document.activeElement === document.querySelector('%1')")
                                .arg(QLatin1String(c.Focus)))
                            .toBool());
        }
        EXPECT_EQ(QApplication::focusWidget(), Window->memBody);
    }
}

// The field named "body" takes the body; the subject still goes into the title box beside it, and
// both are outlined where they are on screen.
TEST_F(AutoInsert, FindsTheSubjectBesideTheFieldNamedBodyAndOutlinesBoth)
{
    ASSERT_TRUE(OpenPage(QStringLiteral("/autoinsert/namedbody.html")));
    // A message of its own: the pages before sent the shared one to this server, and a post already
    // sent here would turn the outline to the warning colour. The editor is emptied first, since the
    // marks of a message stay through an edit of its subject.
    const QString subject = Subject + QStringLiteral(" (outline)");
    TypeMessage(QString(), QString());
    TypeMessage(subject, Body);
    const std::optional<TPostFill::TOutline> outline = ClickAutoInsert();
    ASSERT_TRUE(outline.has_value());
    EXPECT_EQ(Value(QStringLiteral("#t")).toStdString(), subject.toStdString());
    EXPECT_EQ(Value(QStringLiteral("#b")).toStdString(), Body.toStdString());
    EXPECT_FALSE(outline->Warning);
    const qreal zoom = Pane().Page()->zoomFactor();
    // What of them the view shows.
    const QVariantList viewport =
        Run(QStringLiteral("[document.documentElement.clientWidth, document.documentElement.clientHeight]"))
            .toList();
    const QRect shown =
        QRectF(0, 0, viewport[0].toReal() * zoom, viewport[1].toReal() * zoom).toAlignedRect();
    QList<QRect> fields;
    for (const char* id : {"t", "b"}) {
        const QVariantList r = Run(QStringLiteral("(function (r) { return [r.x, r.y, r.width, r.height]; })"
                                                  "(document.getElementById('%1').getBoundingClientRect())")
                                       .arg(QLatin1String(id)))
                                   .toList();
        fields << QRectF(r[0].toReal() * zoom, r[1].toReal() * zoom, r[2].toReal() * zoom,
                         r[3].toReal() * zoom)
                      .toAlignedRect()
                      .intersected(shown);
    }
    EXPECT_EQ(outline->Rects, fields);
    // The outline goes away by itself, and the page never held any of it.
    EXPECT_TRUE(WaitUntil([] { return Window->PostFill->ShownOutline().Rects.isEmpty(); }, 10000));
}

} // namespace
