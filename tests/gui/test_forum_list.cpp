// The forum list: adding the current address, choosing a forum by mouse, keys and type-ahead,
// editing its credentials, removing it and opening it with a double-click; Forums.dat always
// matches the list.
#include "BrowserTestSupport.h"
#include "core/UForums.h"
#include "toolkit/TSkinData.h"
#include "ui/FMain.h"

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using TRows = std::vector<std::vector<std::string>>;

class ForumList : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { TBrowserPane::SetProfileDirectory(QString()); }

    // A window over a Forums.dat holding rows (none: no file at all).
    void Start(const TRows& rows)
    {
        if (!rows.empty()) {
            std::string text = "URL^Username^Password^\r\n";
            for (const auto& row : rows)
                text += row[0] + '^' + row[1] + '^' + row[2] + "^\r\n";
            Dir.Write(QStringLiteral("Forums.dat"), QByteArray::fromStdString(text));
        }
        Window = std::make_unique<TfrmMain>(Dir.Path());
        Window->show();
    }
    TRows Stored() const
    {
        TForums forums(Dir.Path().toStdString());
        forums.LoadAll();
        TRows rows;
        for (int i = 0; i < forums.Count(); ++i) {
            const TForum& f = forums.RecordAt(i);
            rows.push_back({f.URL, f.Username, f.Password});
        }
        return rows;
    }
    QStringList Items() const
    {
        QStringList items;
        for (int i = 0; i < List()->count(); ++i)
            items << List()->item(i)->text();
        return items;
    }
    QListWidget* List() const { return Window->lvwForums; }
    int Selected() const
    {
        const auto selected = List()->selectedItems();
        return selected.isEmpty() ? -1 : List()->row(selected.first());
    }
    void ClickItem(int row) const
    {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          List()->visualItemRect(List()->item(row)).center());
    }
    // As the window system delivers it: a click, then the double-click in place of a second press.
    void DoubleClick(QPoint at) const
    {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(List()->viewport(), Qt::LeftButton, {}, at);
    }
    std::pair<QString, QString> Edits() const
    {
        return {Window->edtUsername->text(), Window->edtPassword->text()};
    }
    // Empties the credential edits without saving, so that what fills them afterwards shows.
    void BlankEdits() const
    {
        const QSignalBlocker username(Window->edtUsername), password(Window->edtPassword);
        Window->edtUsername->clear();
        Window->edtPassword->clear();
    }
    // Forgets the file so that the next save shows up.
    // The file keeps its bytes, which the window still holds, so that it may replace it.
    void Forget() const { Dir.MarkOld(QStringLiteral("Forums.dat")); }
    bool Saved() const { return Dir.WrittenSinceMarked(QStringLiteral("Forums.dat")); }

    TTempAppDir Dir;
    std::unique_ptr<TfrmMain> Window;
    TMessageRecorder Recorder;
};

const TRows ThreeForums = {{"http://alpha.example/", "ann", "pa"},
                           {"http://beta.example/", "bob", "pb"},
                           {"HTTP://Bravo.example/", "", "pc"}};

TEST_F(ForumList, AddCurrentUrlInsertsAtTheTopAndKeepsTheSelection)
{
    Start({});
    // An empty address box adds nothing and writes nothing.
    Window->edtUsername->setText(QStringLiteral("u1"));
    Forget();
    QTest::mouseClick(Window->btnAddURL, Qt::LeftButton);
    EXPECT_FALSE(Saved());
    EXPECT_EQ(List()->count(), 0);

    Window->edtURL->setText(QStringLiteral("http://one.example/"));
    Window->edtPassword->setText(QStringLiteral("p1"));
    QTest::mouseClick(Window->btnAddURL, Qt::LeftButton);
    EXPECT_EQ(Selected(), -1);

    ClickItem(0);
    Window->edtURL->setText(QStringLiteral("http://two.example/"));
    QTest::mouseClick(Window->btnAddURL, Qt::LeftButton);
    QTest::mouseClick(Window->btnAddURL, Qt::LeftButton); // the same address again
    EXPECT_EQ(Items(), QStringList({"http://two.example/", "http://two.example/", "http://one.example/"}));
    EXPECT_EQ(Stored(), (TRows{{"http://two.example/", "u1", "p1"},
                               {"http://two.example/", "u1", "p1"},
                               {"http://one.example/", "u1", "p1"}}));
    // The selected forum moved down with its edits.
    EXPECT_EQ(Selected(), 2);
    QTest::keyClick(Window->edtUsername, Qt::Key_X);
    EXPECT_EQ(Stored()[2][1], "u1x");
    EXPECT_EQ(Stored()[0][1], "u1");
    EXPECT_TRUE(Recorder.Boxes().isEmpty());
}

TEST_F(ForumList, ChoosingByMouseKeysAndTypeAheadFillsTheEdits)
{
    Start(ThreeForums);
    EXPECT_EQ(Selected(), -1);
    EXPECT_EQ(QApplication::keyboardInputInterval(), 500);

    const struct
    {
        const char* Action;
        int Row;
        const char* Username;
        const char* Password;
    } steps[] = {
        {"click 1", 1, "bob", "pb"},
        {"down", 2, "", "pc"},
        {"up", 1, "bob", "pb"},
        {"home", 0, "ann", "pa"},
        {"end", 2, "", "pc"},
        {"type http://b", 1, "bob", "pb"},
        {"type http://br", 2, "", "pc"},
        {"click 2", 2, "", "pc"}, // the item already selected
        // The first item that begins with the letters, even when it is the one selected.
        {"click 0", 0, "ann", "pa"},
        {"type h", 0, "ann", "pa"},
        {"type http://b", 1, "bob", "pb"},
        {"type http://b", 1, "bob", "pb"},
    };
    for (const auto& step : steps) {
        const QString action = QLatin1String(step.Action);
        if (action.startsWith(QLatin1String("click"))) {
            // A click fills the edits, also on the forum already chosen.
            BlankEdits();
            ClickItem(action.back().digitValue());
        } else if (action.startsWith(QLatin1String("type"))) {
            Pump(600); // a pause ends the letters typed before
            QTest::keyClicks(List(), action.mid(5));
        } else {
            const Qt::Key key = action == QLatin1String("down")   ? Qt::Key_Down
                                : action == QLatin1String("up")   ? Qt::Key_Up
                                : action == QLatin1String("home") ? Qt::Key_Home
                                                                  : Qt::Key_End;
            QTest::keyClick(List(), key);
        }
        EXPECT_EQ(Selected(), step.Row) << step.Action;
        EXPECT_EQ(Edits(), std::make_pair(QString::fromUtf8(step.Username), QString::fromUtf8(step.Password)))
            << step.Action;
    }
    // Choosing never changes what is stored.
    EXPECT_EQ(Stored(), ThreeForums);
}

// Two long addresses of one site differ only at their end: the list keeps them apart, shows the whole
// address under the pointer, and indents every row alike, selected or not.
TEST_F(ForumList, LongAddressesOfOneSiteCanBeToldApart)
{
    const std::string site = "https://www.example-forums.com/index.php?action=post;board=";
    Start({{site + "12", "", ""}, {site + "47", "", ""}, {"http://short.example/", "", ""}});
    ClickItem(2);
    Pump();
    const QImage shown = List()->viewport()->grab().toImage();
    const auto row = [&](int i) {
        const QRect r = List()->visualItemRect(List()->item(i));
        return shown.copy(r.intersected(QRect(QPoint(0, 0), shown.size())));
    };
    EXPECT_NE(row(0), row(1)) << "both addresses look the same";

    // The first column holding ink is the same in every row.
    const auto firstInk = [&](int i) {
        const QImage image = row(i);
        const int background = QColor(image.pixel(image.width() - 1, 0)).lightness();
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (qAbs(QColor(image.pixel(x, y)).lightness() - background) > 60)
                    return x;
        return -1;
    };
    EXPECT_GT(firstInk(0), 0);
    EXPECT_EQ(firstInk(2), firstInk(0)) << "the selected row is indented differently";

    for (int i = 0; i < 2; ++i) {
        const QPoint at = List()->visualItemRect(List()->item(i)).center();
        QHelpEvent help(QEvent::ToolTip, at, List()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(List()->viewport(), &help);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QToolTip::isVisible(); }));
        EXPECT_EQ(QToolTip::text(), QString::fromStdString(site + (i == 0 ? "12" : "47")));
    }
    QToolTip::hideText();
}

TEST_F(ForumList, SelectingAForumKeepsCredentialsTheLocaleCannotShow)
{
    const TRows forums = {{"http://a.example/", "caf\xE9", "\xFF\xFE"}, {"http://b.example/", "b", "c"}};
    Start(forums);
    ClickItem(0);
    ClickItem(1);
    ClickItem(0);
    EXPECT_EQ(Stored(), forums);
}

TEST_F(ForumList, EditingCredentialsSavesOnEveryChange)
{
    const struct
    {
        QLineEdit* (*Edit)(TfrmMain&);
        int Field;
    } edits[] = {{[](TfrmMain& w) -> QLineEdit* { return w.edtUsername; }, 1},
                 {[](TfrmMain& w) -> QLineEdit* { return w.edtPassword; }, 2}};
    for (const auto& e : edits) {
        Dir.Write(QStringLiteral("Forums.dat"), QByteArray());
        Window.reset();
        Start(ThreeForums);
        QLineEdit* edit = e.Edit(*Window);
        // Nothing selected: no forum changes, the file is written all the same.
        Forget();
        QTest::keyClick(edit, Qt::Key_Z);
        EXPECT_TRUE(Saved());
        EXPECT_EQ(Stored(), ThreeForums);

        ClickItem(1);
        const std::string before = ThreeForums[1][std::size_t(e.Field)];
        QTest::keyClick(edit, Qt::Key_Q);
        EXPECT_EQ(Stored()[1][std::size_t(e.Field)], before + "q");
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(Stored()[1][std::size_t(e.Field)], before);
        // Assigning the text the edit holds is no change and writes nothing.
        Forget();
        edit->setText(edit->text());
        EXPECT_FALSE(Saved());
        EXPECT_EQ(Stored()[1][std::size_t(e.Field)], before);
    }
}

TEST_F(ForumList, RemovingByButtonOrDeleteKey)
{
    const struct
    {
        const char* Trigger;
        int Row; // -1: nothing selected
        TRows After;
    } cases[] = {
        {"button", 1, {ThreeForums[0], ThreeForums[2]}},
        {"delete", 0, {ThreeForums[1], ThreeForums[2]}},
        {"delete", -1, ThreeForums},
        {"button", -1, ThreeForums},
    };
    for (const auto& c : cases) {
        Window.reset();
        Start(ThreeForums);
        if (c.Row >= 0)
            ClickItem(c.Row);
        else
            Window->edtUsername->setText(QStringLiteral("typed"));
        Forget();
        if (QLatin1String(c.Trigger) == QLatin1String("button"))
            QTest::mouseClick(Window->btnRemoveURL, Qt::LeftButton);
        else
            QTest::keyClick(List(), Qt::Key_Delete);
        EXPECT_TRUE(Saved()) << c.Trigger << c.Row;
        EXPECT_EQ(Stored(), c.After) << c.Trigger << c.Row;
        EXPECT_EQ(Items().size(), int(c.After.size()));
        EXPECT_EQ(Selected(), -1);
        EXPECT_EQ(Edits(), std::make_pair(QString(), QString()));
    }
    // Other keys remove nothing.
    ClickItem(0);
    QTest::keyClick(List(), Qt::Key_Backspace);
    EXPECT_EQ(Stored(), ThreeForums);
    EXPECT_TRUE(Recorder.Boxes().isEmpty());
}

TEST_F(ForumList, DoubleClickOpensTheSelectedForum)
{
    const std::string page = FixtureUrl(QStringLiteral("paste.html")).toStdString();
    const std::string other = FixtureUrl(QStringLiteral("noforms.html")).toStdString();
    Start({{page, "pu", "pp"}, {other, "ou", "op"}});
    TBrowserPane& pane = *Window->webBrowser;

    // With nothing selected, a double-click below the items does nothing.
    const QPoint below(5, List()->visualItemRect(List()->item(1)).bottom() + 8);
    ASSERT_LT(below.y(), List()->viewport()->height());
    DoubleClick(below);
    EXPECT_EQ(pane.Page(), nullptr);
    EXPECT_TRUE(Window->edtURL->text().isEmpty());

    const struct
    {
        QPoint At;
        const char* Fixture;
        const char* URL;
        const char* Username;
    } cases[] = {
        {List()->visualItemRect(List()->item(1)).center(), "noforms.html", other.c_str(), "ou"},
        {List()->visualItemRect(List()->item(0)).center(), "paste.html", page.c_str(), "pu"},
        {below, "paste.html", page.c_str(), "pu"}, // the selected forum, from the empty area
    };
    for (const auto& c : cases) {
        // Each double-click fills the address box and the edits, also for the forum opened before.
        Window->edtURL->clear();
        BlankEdits();
        // A load in progress is stopped first; the page then opens all the same.
        pane.Navigate(FixtureUrl(QStringLiteral("refuse.html")));
        DoubleClick(c.At);
        EXPECT_EQ(Window->edtURL->text(), QString::fromUtf8(c.URL));
        EXPECT_EQ(Window->edtUsername->text(), QString::fromUtf8(c.Username));
        const QUrl target = QUrl::fromLocalFile(FixturePath(QLatin1String(c.Fixture)));
        EXPECT_TRUE(WaitUntil([&] { return pane.Page()->url() == target && !pane.IsBusy(); })) << c.Fixture;
    }
    EXPECT_TRUE(Recorder.Boxes().isEmpty());
}

// While the user types a log-in, the forum it goes to stays highlighted in the active selection
// colour: the skin's, or without one the active palette's, never the faint inactive one.
TEST_F(ForumList, TheSelectedForumStaysHighlightedWhileItsLogInIsTyped)
{
    Start({{"https://a.example/", "u", "p"}});
    Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    ClickItem(0);
    const QString skinSheet = qApp->styleSheet();
    const struct
    {
        const char* Name;
        bool Skin;
    } cases[] = {{"skin", true}, {"no skin colour", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        qApp->setStyleSheet(c.Skin ? skinSheet : QString());
        QPalette palette = List()->palette();
        palette.setColor(QPalette::Active, QPalette::Highlight, QColor(200, 0, 0));
        palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(220, 220, 220));
        List()->setPalette(palette);
        Window->edtUsername->setFocus();
        QTest::keyClick(Window->edtUsername, Qt::Key_X);
        ASSERT_EQ(Stored()[0][1], "ux");
        const QRect row = List()->visualItemRect(List()->item(0));
        const QImage shot = List()->viewport()->grab().toImage();
        // The right end of the row, clear of its text.
        const QColor shown = shot.pixelColor(row.right() - 2, row.center().y());
        const QColor expected =
            c.Skin
                ? TSkinData::Current().Color(QStringLiteral("listbox"), QStringLiteral("highlight")).value()
                : QColor(200, 0, 0);
        EXPECT_EQ(shown, expected) << shown.name().toStdString();
        Window->edtUsername->setText(QStringLiteral("u"));
    }
    qApp->setStyleSheet(skinSheet);
}

} // namespace
