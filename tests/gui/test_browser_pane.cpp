// The browser pane on its own: form filling, the keys it keeps, the engine's dialogs and the
// caption rule they are shown with.
#include "BrowserTestSupport.h"
#include "browser/TBrowserDialogs.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <map>

namespace {

class BrowserPane : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        TBrowserPane::SetProfileDirectory(QString());
        Pane = new TBrowserPane;
        Pane->resize(640, 480);
        Pane->show();
    }
    static void TearDownTestSuite()
    {
        delete Pane;
        Pane = nullptr;
    }
    static QString Value(const QString& id)
    {
        return RunScript(Pane->Page(), QStringLiteral("document.getElementById('%1').value").arg(id))
            .toString();
    }
    static TBrowserPane* Pane;
};

TBrowserPane* BrowserPane::Pane = nullptr;

TEST(BrowserDialogCaption, FollowsTheCaptionRule)
{
    const struct
    {
        const char* Caption;
        const char* Shown;
    } cases[] = {
        {"Microsoft Internet Explorer", "Web Browser"},
        {"Confirm", "Web Browser:  Confirm"},
        {"Internet Explorer Script Error", "Web Browser Script Error"},
        {"Error", "Web Browser:  Error"},
        {"", "Web Browser:  "},
        {"Web Browser", "Web Browser"},
        {"microsoft internet explorer", "Web Browser:  microsoft internet explorer"},
        {"Microsoft Microsoft Word", "Web Browser:  Microsoft Word"},
        {"Internet Explorer and Internet Explorer", "Web Browser and Internet Explorer"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BrowserDialogCaption(QString::fromUtf8(c.Caption)), QString::fromUtf8(c.Shown))
            << c.Caption;
}

TEST(BrowserPaneWithoutPage, DoesNothingAndFillsNothing)
{
    TBrowserPane pane;
    pane.Paste();
    pane.Stop();
    pane.Refresh();
    pane.Navigate(QStringLiteral("   "));
    EXPECT_FALSE(pane.IsBusy());
    EXPECT_EQ(pane.Page(), nullptr);
    EXPECT_EQ(FillAndWait(pane, QStringLiteral("subject"), QStringLiteral("x")), false);
    EXPECT_THROW(pane.GoBack(), std::runtime_error);
    EXPECT_THROW(pane.GoForward(), std::runtime_error);
}

TEST_F(BrowserPane, FillFieldWritesNamedFieldsOfFormsOnly)
{
    using TValues = std::map<QString, QString>;
    const struct
    {
        const char* Fixture;
        const char* Name;
        const char* Value;
        bool Written;
        TValues After;
    } cases[] = {
        {"noforms.html", "subject", "X", false, {{"subject", "o"}, {"body", "b"}}},
        {"forms.html",
         "subject",
         "X",
         true,
         {{"search-subject", "X"},
          {"post-subject", "X"},
          {"outside", "o"},
          {"upper", "u"},
          {"subject", "i"}}},
        {"forms.html", "subject", "", true, {{"search-subject", ""}, {"post-subject", ""}, {"outside", "o"}}},
        {"forms.html", "Subject", "X", true, {{"upper", "X"}, {"post-subject", "p"}}},
        {"forms.html", "nothing", "X", false, {{"search-subject", "s"}, {"post-subject", "p"}}},
        {"refuse.html", "subject", "X", true, {{"first", "X"}, {"last", "3"}}},
    };
    for (const auto& c : cases) {
        const QString label = QStringLiteral("%1 %2").arg(QLatin1String(c.Fixture), QLatin1String(c.Name));
        ASSERT_TRUE(Open(*Pane, QLatin1String(c.Fixture))) << label.toStdString();
        EXPECT_EQ(FillAndWait(*Pane, QLatin1String(c.Name), QString::fromUtf8(c.Value)), c.Written)
            << label.toStdString();
        for (const auto& [id, value] : c.After)
            EXPECT_EQ(Value(id), value) << label.toStdString() << " #" << id.toStdString();
    }
    // Never inside a frame.
    ASSERT_TRUE(Open(*Pane, QStringLiteral("forms.html")));
    ASSERT_EQ(FillAndWait(*Pane, QStringLiteral("subject"), QStringLiteral("X")), true);
    EXPECT_EQ(RunScript(Pane->Page(), QStringLiteral("document.getElementById('frame').contentDocument"
                                                     ".getElementById('framed').value"))
                  .toString(),
              QStringLiteral("f"));
}

TEST_F(BrowserPane, FillFieldWritesHostileValuesExactlyAndTellsScriptDrivenEditors)
{
    const QString values[] = {
        QStringLiteral("He said \"no\" and 'yes'"),
        QStringLiteral("</script><script>alert(1)</script>"),
        QStringLiteral("C:\\path\\n\\u0041 \\\\"),
        QStringLiteral("line one\nline two\n\nend"),
        QString::fromUtf8("emoji \xF0\x9F\x98\x80 \xE2\x80\xA8 separators \xE2\x80\xA9 and ${x} `tick`"),
        QStringLiteral("')); document.title = 'hacked'; (('"),
    };
    ASSERT_TRUE(Open(*Pane, QStringLiteral("forms.html")));
    for (const QString& value : values) {
        EXPECT_EQ(FillAndWait(*Pane, QStringLiteral("body"), value), true) << value.toStdString();
        EXPECT_EQ(Value(QStringLiteral("body")), value);
        EXPECT_EQ(RunScript(Pane->Page(), QStringLiteral("document.getElementById('editor').textContent"))
                      .toString(),
                  QStringLiteral("input:") + value);
    }
    EXPECT_EQ(Pane->Page()->title(), QStringLiteral("forms"));
}

TEST_F(BrowserPane, KeepsCtrlNFromThePageAndPassesEnterOn)
{
    ASSERT_TRUE(Open(*Pane, QStringLiteral("paste.html")));
    Pane->activateWindow();
    Pane->setFocus();
    RunScript(Pane->Page(), QStringLiteral("document.getElementById('body').focus()"));
    QWidget* keys = Pane->View()->focusProxy() ? Pane->View()->focusProxy() : Pane->View();
    QTest::keyClick(keys, Qt::Key_A);
    QTest::keyClick(keys, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(keys, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(keys, Qt::Key_Return);
    QTest::keyClick(keys, Qt::Key_B);
    EXPECT_TRUE(WaitUntil([] { return Value(QStringLiteral("body")) == QStringLiteral("a\nb"); }, 10000))
        << Value(QStringLiteral("body")).toStdString();
    const QString seen =
        RunScript(Pane->Page(), QStringLiteral("document.getElementById('keys').textContent")).toString();
    // The page hears the Ctrl key itself, never the N pressed with it.
    EXPECT_FALSE(seen.contains(QStringLiteral("^n"), Qt::CaseInsensitive)) << seen.toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("Enter"))) << seen.toStdString();
}

TEST_F(BrowserPane, ShowsPageDialogsAsItsOwnAndNoScriptErrors)
{
    QList<TBrowserDialog> shown;
    SetBrowserDialogHook([&](TBrowserDialog& dialog) {
        shown << dialog;
        if (dialog.Kind == TBrowserDialogKind::Prompt)
            dialog.Value = QStringLiteral("Ann");
        return true;
    });
    ASSERT_TRUE(Open(*Pane, QStringLiteral("dialogs.html")));
    RunScript(Pane->Page(), QStringLiteral("ask()"));
    EXPECT_TRUE(WaitUntil([] { return Pane->Page()->title() == QStringLiteral("answers:true:Ann"); }, 10000))
        << Pane->Page()->title().toStdString();
    Pump(200);
    SetBrowserDialogHook(nullptr);

    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0].Kind, TBrowserDialogKind::Alert);
    EXPECT_EQ(shown[0].Caption, QStringLiteral("Web Browser"));
    const QString speaker =
        QStringLiteral("The local page %1 says:\n\n").arg(FixturePath(QStringLiteral("dialogs.html")));
    EXPECT_EQ(shown[0].Text, speaker + QStringLiteral("Hello from the page"));
    EXPECT_EQ(shown[1].Caption, QStringLiteral("Web Browser:  Confirm"));
    EXPECT_EQ(shown[2].Caption, QStringLiteral("Web Browser:  User Prompt"));
    EXPECT_EQ(shown[2].Text, speaker + QStringLiteral("Name?"));
}

TEST_F(BrowserPane, AsksBeforeLeavingAPageAndWhereToSaveADownload)
{
    QList<TBrowserDialog> shown;
    QTemporaryDir saveDir;
    const QString target = saveDir.filePath(QStringLiteral("saved.zip"));
    SetBrowserDialogHook([&](TBrowserDialog& dialog) {
        shown << dialog;
        if (dialog.Kind == TBrowserDialogKind::Download)
            dialog.Value = target;
        return true;
    });
    // A page that asks before it is left, once the user has worked with it.
    ASSERT_TRUE(Open(*Pane, QStringLiteral("paste.html")));
    RunScript(Pane->Page(), QStringLiteral("window.onbeforeunload = function (e) { e.preventDefault(); "
                                           "e.returnValue = ''; }"));
    QTest::mouseClick(Pane->View()->focusProxy(), Qt::LeftButton, {}, QPoint(300, 200));
    Pump(100);
    ASSERT_TRUE(Open(*Pane, QStringLiteral("noforms.html")));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].Kind, TBrowserDialogKind::Confirm);
    EXPECT_EQ(shown[0].Caption, QStringLiteral("Web Browser:  Confirm"));

    Pane->Navigate(FixtureUrl(QStringLiteral("download.zip")));
    EXPECT_TRUE(WaitUntil([&] { return QFileInfo(target).size() > 0; }));
    SetBrowserDialogHook(nullptr);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1].Kind, TBrowserDialogKind::Download);
    EXPECT_EQ(shown[1].Caption, QStringLiteral("Web Browser:  Save As"));
    EXPECT_TRUE(shown[1].Value.endsWith(QStringLiteral("download.zip"))) << shown[1].Value.toStdString();
}

} // namespace
