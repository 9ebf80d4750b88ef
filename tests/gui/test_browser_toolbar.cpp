// The browser toolbar, the address box, the paste buttons and Auto Insert, worked through the
// main window's controls.
#include "BrowserTestSupport.h"
#include "browser/TBrowserProfile.h"
#include "ui/FMain.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <gtest/gtest.h>

namespace {

// Pages of the "twhang" scheme never arrive: the pane stays busy until it is stopped.
const bool HangingSchemeRegistered = [] {
    QWebEngineUrlScheme scheme("twhang");
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
    return true;
}();

class THangingScheme : public QWebEngineUrlSchemeHandler
{
public:
    void requestStarted(QWebEngineUrlRequestJob*) override {}
};

class BrowserToolbar : public TMainWindowSuite
{
protected:
    static void SetUpTestSuite()
    {
        TBrowserPane::SetProfileDirectory(QString());
        OpenWindow();
        TBrowserProfile::Shared()->installUrlSchemeHandler("twhang", &Hanging);
    }
    static void TearDownTestSuite() { CloseWindow(); }
    static QUrl Shown() { return Pane().Page() ? Pane().Page()->url() : QUrl(); }
    static QString Value(const QString& id)
    {
        return RunScript(Pane().Page(), QStringLiteral("document.getElementById('%1').value").arg(id))
            .toString();
    }
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static bool Loaded(const QString& fixture)
    {
        const QUrl target = QUrl::fromLocalFile(FixturePath(fixture));
        return WaitUntil([&] { return Shown() == target && !Pane().IsBusy(); });
    }

    static THangingScheme Hanging;
};

THangingScheme BrowserToolbar::Hanging;

// Runs first: nothing has been loaded yet.
TEST_F(BrowserToolbar, NavigationButtonsRightAfterStartUp)
{
    const struct
    {
        QAbstractButton* Button;
        const char* Failure; // nullptr: nothing is shown
    } cases[] = {
        {Window->bsSkinSpeedButton1, "There is no previous page to go back to"},
        {Window->bsSkinSpeedButton2, "There is no next page to go forward to"},
        {Window->bsSkinSpeedButton4, nullptr},
        {Window->bsSkinSpeedButton3, nullptr},
        {Window->bsSkinButton2, nullptr}, // "Go!" with the empty box
    };
    for (const auto& c : cases) {
        TMessageRecorder recorder;
        Click(c.Button);
        if (c.Failure) {
            // The failure reaches the error handler from the event loop.
            EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.Boxes().isEmpty(); }, 5000)) << c.Failure;
            ASSERT_EQ(recorder.Boxes().size(), 1) << c.Failure;
            EXPECT_EQ(recorder.Boxes()[0].Caption, QStringLiteral("Error"));
            EXPECT_EQ(recorder.Boxes()[0].Text, QLatin1String(c.Failure));
        } else {
            Pump(50); // nothing may come
            EXPECT_TRUE(recorder.Boxes().isEmpty());
        }
    }
    EXPECT_EQ(Pane().Page(), nullptr);
}

TEST_F(BrowserToolbar, EnterInTheAddressBoxNavigatesWhateverTheModifiers)
{
    const struct
    {
        Qt::KeyboardModifiers Modifiers;
        Qt::Key Key;
        const char* Fixture;
    } cases[] = {
        {Qt::NoModifier, Qt::Key_Return, "paste.html"},
        {Qt::ShiftModifier, Qt::Key_Return, "noforms.html"},
        {Qt::ControlModifier, Qt::Key_Return, "forms.html"},
        {Qt::AltModifier, Qt::Key_Return, "refuse.html"},
        {Qt::KeypadModifier, Qt::Key_Enter, "paste.html"},
    };
    TMessageRecorder recorder;
    // An empty box navigates nowhere.
    Window->edtURL->clear();
    QTest::keyClick(Window->edtURL, Qt::Key_Return);
    Pump(100);
    EXPECT_EQ(Pane().Page(), nullptr);
    for (const auto& c : cases) {
        const QString address = FixturePath(QLatin1String(c.Fixture));
        Window->edtURL->setText(address);
        QTest::keyClick(Window->edtURL, c.Key, c.Modifiers);
        EXPECT_TRUE(Loaded(QLatin1String(c.Fixture))) << c.Fixture;
        // The key is left to the box, which keeps its text.
        EXPECT_EQ(Window->edtURL->text(), address);
    }
    EXPECT_TRUE(recorder.Boxes().isEmpty());
}

TEST_F(BrowserToolbar, FollowingALinkLeavesTheAddressBoxAlone)
{
    const QString address = FixtureUrl(QStringLiteral("noforms.html"));
    Window->edtURL->setText(address);
    Click(Window->bsSkinButton2);
    ASSERT_TRUE(Loaded(QStringLiteral("noforms.html")));
    // A real click: the engine's history skips pages that navigated away on their own.
    const QVariantList xy =
        RunScript(Pane().Page(), QStringLiteral("(function () { const r = document.getElementById('link')"
                                                ".getBoundingClientRect(); return [r.x + 3, r.y + 3]; })()"))
            .toList();
    const QPoint link(xy.value(0).toInt(), xy.value(1).toInt());
    QWidget* view = Pane().View()->focusProxy() ? Pane().View()->focusProxy() : Pane().View();
    QTest::mouseClick(view, Qt::LeftButton, {}, link);
    ASSERT_TRUE(Loaded(QStringLiteral("forms.html")));
    EXPECT_EQ(Window->edtURL->text(), address);
    // Back and Forward move through the history, still without touching the box.
    Click(Window->bsSkinSpeedButton1);
    EXPECT_TRUE(Loaded(QStringLiteral("noforms.html")))
        << Shown().toString().toStdString() << Pane().IsBusy();
    Click(Window->bsSkinSpeedButton2);
    EXPECT_TRUE(Loaded(QStringLiteral("forms.html")));
    EXPECT_EQ(Window->edtURL->text(), address);
}

TEST_F(BrowserToolbar, ButtonsStopALoadInProgressFirst)
{
    TMessageRecorder recorder;
    ASSERT_TRUE(Open(Pane(), QStringLiteral("paste.html")));
    ASSERT_TRUE(Open(Pane(), QStringLiteral("noforms.html")));

    // Stop
    Pane().Navigate(QStringLiteral("twhang:forever"));
    EXPECT_TRUE(Pane().IsBusy());
    Click(Window->bsSkinSpeedButton3);
    EXPECT_FALSE(Pane().IsBusy());
    Pump(200);
    EXPECT_EQ(Shown(), QUrl::fromLocalFile(FixturePath(QStringLiteral("noforms.html"))));

    // Back: the hanging load is cancelled, then the page before the current one is shown.
    Pane().Navigate(QStringLiteral("twhang:forever"));
    EXPECT_TRUE(Pane().IsBusy());
    Click(Window->bsSkinSpeedButton1);
    EXPECT_TRUE(Loaded(QStringLiteral("paste.html")));

    // Refresh: reloads the page shown, whose document is then a new one.
    RunScript(Pane().Page(), QStringLiteral("window.beforeRefresh = true"));
    Pane().Navigate(QStringLiteral("twhang:forever"));
    Click(Window->bsSkinSpeedButton4);
    EXPECT_TRUE(WaitUntil([&] {
        return Loaded(QStringLiteral("paste.html")) &&
               RunScript(Pane().Page(), QStringLiteral("window.beforeRefresh === undefined")).toBool();
    }));
    EXPECT_TRUE(recorder.Boxes().isEmpty());
}

TEST_F(BrowserToolbar, PasteButtonsPasteIntoTheSelectedFieldOfThePage)
{
    const struct
    {
        QPushButton* TfrmMain::*Button;
        const char* Field;
        const char* Text;
        bool Secret;
    } cases[] = {
        {&TfrmMain::btnSPaste, "subject", "A subject \"quoted\"", false},
        {&TfrmMain::btnBPaste, "body", "First line\nsecond line http://a.example/", false},
        {&TfrmMain::btnUPaste, "user", "someone", false},
        {&TfrmMain::btnWPaste, "pass", "s3cret pass", true},
    };
    TMessageRecorder recorder;
    ASSERT_TRUE(Open(Pane(), QStringLiteral("paste.html")));
    Window->edtSubject->setText(QString::fromUtf8(cases[0].Text));
    Window->memBody->setPlainText(QString::fromUtf8(cases[1].Text));
    Window->edtUsername->setText(QString::fromUtf8(cases[2].Text));
    Window->edtPassword->setText(QString::fromUtf8(cases[3].Text));
    for (const auto& c : cases) {
        const QString field = QLatin1String(c.Field);
        const QString text = QString::fromUtf8(c.Text);
        Pane().setFocus();
        RunScript(Pane().Page(), QStringLiteral("document.getElementById('%1').focus()").arg(field));
        Click(Window->*c.Button);
        EXPECT_TRUE(WaitUntil([&] { return Value(field) == text; }, 10000))
            << c.Field << ": " << Value(field).toStdString();
        const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
        EXPECT_EQ(clip->text(), text);
        EXPECT_EQ(clip->data(QStringLiteral("x-kde-passwordManagerHint")),
                  c.Secret ? QByteArray("secret") : QByteArray())
            << c.Field;
    }
    // Only the body's button takes the focus.
    EXPECT_EQ(Window->btnSPaste->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(Window->btnBPaste->focusPolicy(), Qt::StrongFocus);

    // With no field selected the page stays as it was; the clipboard holds the text all the same.
    RunScript(Pane().Page(), QStringLiteral("document.activeElement.blur()"));
    Window->edtSubject->setText(QStringLiteral("nowhere"));
    Click(Window->btnSPaste);
    Pump(300);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("nowhere"));
    for (const auto& c : cases)
        EXPECT_EQ(Value(QLatin1String(c.Field)), QString::fromUtf8(c.Text)) << c.Field;
    EXPECT_TRUE(recorder.Boxes().isEmpty());
}

TEST_F(BrowserToolbar, AutoInsertWritesSubjectAndBodyAsTyped)
{
    const struct
    {
        const char* Fixture;
        const char* Subject;
        const char* Body;
        const char* ExpectSubject; // of #post-subject
        const char* ExpectBody;    // of #body
    } cases[] = {
        {"forms.html", "Hello", "Visit http://a.example/ or mail me@a.example", "Hello",
         "Visit http://a.example/ or mail me@a.example"},
        {"forms.html", "", "x", "", "x"},
        {"noforms.html", "Hello", "y", nullptr, "b"},
    };
    TMessageRecorder recorder;
    for (const auto& c : cases) {
        ASSERT_TRUE(Open(Pane(), QLatin1String(c.Fixture)));
        Window->edtSubject->setText(QString::fromUtf8(c.Subject));
        Window->memBody->setPlainText(QString::fromUtf8(c.Body));
        const QString clip = QStringLiteral("untouched");
        QGuiApplication::clipboard()->setText(clip);
        // Checked once the whole chain has run: on a page where nothing may be written, the
        // body's old text is there before the fill too.
        bool ended = false;
        const QMetaObject::Connection connection = QObject::connect(
            Window->PostFill, &TPostFill::FillStageReached,
            [&](TPostFill::TFillStage stage) { ended = ended || stage == TPostFill::TFillStage::Shown; });
        Click(Window->btnAutoInsert);
        EXPECT_TRUE(WaitUntil([&] { return ended; }));
        QObject::disconnect(connection);
        EXPECT_EQ(Value(QStringLiteral("body")).toStdString(), c.ExpectBody) << c.Fixture;
        if (c.ExpectSubject) {
            EXPECT_EQ(Value(QStringLiteral("post-subject")), QString::fromUtf8(c.ExpectSubject));
        }
        EXPECT_EQ(QGuiApplication::clipboard()->text(), clip);
    }
    EXPECT_TRUE(recorder.Boxes().isEmpty());
}

} // namespace
