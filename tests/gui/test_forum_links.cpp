// Each forum's own link template and Auto Insert with links, on posting pages served from
// 127.0.0.1: what the page's own submit sends, and the template kept per forum address.
#include "BrowserTestSupport.h"
#include "ForumServer.h"
#include "ui/FFormats.h"
#include "ui/FMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString Subject = QStringLiteral("Links: http://example.org/x & more");
const QString Body = QStringLiteral("See http://example.org/a?b=1&c=2 now, 1 < 2\nMail me@example.org today");
const QString UbbBody =
    QStringLiteral("See [url=http://example.org/a?b=1&c=2]http://example.org/a?b=1&c=2[/url] now, "
                   "1 < 2\nMail [url=mailto:me@example.org]me@example.org[/url] today");

// The templates as the data files beside the program ship them.
const TFormat Templates[] = {
    {"html", "<a href=\"", "\">", "</a>", "mailto:"},
    {"ubb", "[url=", "]", "[/url]", "mailto:"},
    {"ezboard", "[url=", "]", "[/url]", "mailto:"},
};

QString HtmlText(const QString& html)
{
    static const QRegularExpression between(QStringLiteral(">\\s+<"));
    QTextDocument document;
    document.setHtml(html.trimmed().replace(between, QStringLiteral("><")));
    return document.toPlainText();
}

class ForumLinks : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite()
    {
        const QString ckeditor = qEnvironmentVariable("THREADWICK_CKEDITOR");
        Server = new TForumServer({{QStringLiteral("/"), qEnvironmentVariable("THREADWICK_FIXTURES")},
                                   {QStringLiteral("/lib/ckeditor/"), ckeditor}});
        if (!QFileInfo::exists(ckeditor + QStringLiteral("/ckeditor.js")))
            Missing = ckeditor;
        OpenWindow();
        Window->Formats->ClearAll();
        for (const TFormat& format : Templates)
            Window->Formats->Append(std::make_unique<TFormat>(format));
        Window->Formats->SaveAll();
        Window->FillFormats();
    }
    static void TearDownTestSuite()
    {
        CloseWindow();
        delete Server;
    }
    void SetUp() override
    {
        ASSERT_TRUE(Missing.isEmpty())
            << "Editor library missing (run scripts/install-deps.sh): " << Missing.toStdString();
        Server->Clear();
    }

    static QVariant Run(const QString& script) { return RunScript(Pane().Page(), script); }

    static void UseForum(const QString& address)
    {
        while (Window->lvwForums->count() > 0) {
            Window->lvwForums->setCurrentRow(0);
            Window->btnRemoveURLClick();
        }
        Window->edtURL->setText(address);
        Window->btnAddURLClick();
        Window->lvwForums->setCurrentRow(0);
    }

    // The forum list's "Link template" menu, as the context menu shows it.
    static QMenu* TemplateMenu(QMenu& menu)
    {
        for (QAction* action : menu.actions())
            if (action->menu() && action->text() == QStringLiteral("Link template"))
                return action->menu();
        return nullptr;
    }

    static void ChooseTemplate(const QString& name)
    {
        QMenu menu;
        Window->AddForumMenuEntries(&menu);
        QMenu* templates = TemplateMenu(menu);
        ASSERT_NE(templates, nullptr);
        for (QAction* entry : templates->actions())
            if (entry->text() == name)
                entry->trigger();
    }

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

    static inline TForumServer* Server = nullptr;
    static inline QString Missing;
};

TEST_F(ForumLinks, AutoInsertWithLinksConvertsTheBodyByTheForumsTemplate)
{
    const struct
    {
        const char* Page;
        const char* Submit;
        const char* Path;
        const char* SubjectField;
        const char* BodyField;
        const char* Template; // the forum's own
        int Chooser;          // entry of the format chooser: 0 "text", 1 "html", 2 "ubb"
        bool Button;          // the specified "Auto Insert" button instead
        QString Expected;     // the body the page sends; for an HTML editor, its text
        const char* Markup;   // in the HTML the page sends
    } cases[] = {
        {"/autoinsert/phpbb.html", "input[name=post]", "/post/phpbb", "subject", "message", "ubb", 0, false,
         UbbBody, nullptr},
        // A forum without a template of its own takes the chooser's.
        {"/autoinsert/phpbb.html", "input[name=post]", "/post/phpbb", "subject", "message", "None", 2, false,
         UbbBody, nullptr},
        // The links arrive as links the editor keeps; what was typed arrives as text.
        {"/autoinsert/ckeditor.html", "button[name=send]", "/post/ckeditor", "f1", "content", "html", 0,
         false, Body, R"(<a href="http://example.org/a?b=1&amp;c=2">http://example.org/a?b=1&amp;c=2</a>)"},
        // Markdown links bare addresses itself.
        {"/autoinsert/markdown.html", "#publish", "/post/markdown", "title", "raw", "None", 0, false, Body,
         nullptr},
        // "Auto Insert" writes the body as typed, whatever the templates.
        {"/autoinsert/phpbb.html", "input[name=post]", "/post/phpbb", "subject", "message", "ubb", 2, true,
         Body, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Page) + " " + c.Template);
        Server->Clear();
        UseForum(Server->Url(QStringLiteral("/")));
        ChooseTemplate(QLatin1String(c.Template));
        Window->cbxFormat->setCurrentIndex(c.Chooser);
        ASSERT_TRUE(OpenPage(QLatin1String(c.Page)));
        Window->edtSubject->setText(Subject);
        Window->memBody->setPlainText(Body);
        Window->memBody->setFocus(Qt::OtherFocusReason);
        bool shown = false;
        const QMetaObject::Connection connection = QObject::connect(
            &Pane(), &TBrowserPane::FillStageReached, [&shown](TBrowserPane::TFillStage stage) {
                shown = shown || stage == TBrowserPane::TFillStage::Shown;
            });
        if (c.Button)
            QTest::mouseClick(Window->btnAutoInsert, Qt::LeftButton);
        else
            QTest::keyClick(Window->memBody, Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_TRUE(WaitUntil([&] { return shown; }));
        QObject::disconnect(connection);

        Run(QStringLiteral("document.querySelector('%1').click()").arg(QLatin1String(c.Submit)));
        const std::optional<TReceived> post = Post(QLatin1String(c.Path));
        ASSERT_TRUE(post.has_value());
        EXPECT_EQ(post->Fields.value(QLatin1String(c.SubjectField)), Subject);
        QString body = post->Fields.value(QLatin1String(c.BodyField));
        if (c.Markup) {
            EXPECT_TRUE(body.contains(QLatin1String(c.Markup))) << body.toStdString();
        }
        body = c.Markup ? HtmlText(body) : body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        EXPECT_EQ(body.toStdString(), c.Expected.toStdString());
    }
}

// The template is the forum address's: it survives the forum's removal, names itself in the
// forum's hint, and counts as "None" once the template store no longer has it.
TEST_F(ForumLinks, TheTemplateIsKeptByTheForumsAddress)
{
    const QString address = QStringLiteral("http://forum.example/^board");
    UseForum(address);
    ChooseTemplate(QStringLiteral("ubb"));
    EXPECT_EQ(Window->lvwForums->item(0)->toolTip(), QStringLiteral("Link template: ubb"));
    UseForum(QStringLiteral("http://other.example/"));
    EXPECT_EQ(Window->lvwForums->item(0)->toolTip(), QStringLiteral("Link template: None"));
    UseForum(address);
    EXPECT_EQ(Window->lvwForums->item(0)->toolTip(), QStringLiteral("Link template: ubb"));

    {
        QMenu menu;
        Window->AddForumMenuEntries(&menu);
        QStringList entries, checked;
        for (QAction* entry : TemplateMenu(menu)->actions()) {
            entries << entry->text();
            if (entry->isChecked())
                checked << entry->text();
        }
        EXPECT_EQ(entries, QStringList({"None", "html", "ubb", "ezboard"}));
        EXPECT_EQ(checked, QStringList{"ubb"});
    }

    // Renamed in the templates dialog: the forum has no template until one is chosen again.
    Window->Formats->RecordAt(1).Name = "bbcode";
    Window->FillFormats();
    EXPECT_EQ(Window->lvwForums->item(0)->toolTip(), QStringLiteral("Link template: None"));
    Window->Formats->RecordAt(1).Name = "ubb";
    Window->FillFormats();

    // "Edit link templates…" on the chooser's menu opens the templates dialog; its "Save" refills
    // the chooser, as the hidden "Options" button's would.
    QAction* edit = nullptr;
    for (QAction* action : Window->cbxFormat->actions())
        if (action->text() == QStringLiteral("Edit link templates\u2026"))
            edit = action;
    ASSERT_NE(edit, nullptr);
    Window->cbxFormat->setCurrentIndex(2);
    bool opened = false;
    QTimer::singleShot(0, [&opened] {
        if (auto* dialog = qobject_cast<TfrmFormat*>(QApplication::activeModalWidget())) {
            opened = true;
            QTest::mouseClick(dialog->btnSave, Qt::LeftButton);
        }
    });
    edit->trigger();
    EXPECT_TRUE(opened);
    EXPECT_EQ(Window->cbxFormat->currentIndex(), 0);
    EXPECT_EQ(Window->lvwForums->item(0)->toolTip(), QStringLiteral("Link template: ubb"));

    TForumTemplates stored(Window->Forums->FilePath().substr(0, Window->Forums->FilePath().rfind('/') + 1));
    stored.LoadAll();
    EXPECT_EQ(stored.TemplateOf(address.toStdString()), "ubb");
}

} // namespace
