// The browser toolbar, the paste buttons, Auto Insert and the forum list.
#include "ui/FMain.h"

#include "browser/TBrowserPane.h"
#include "browser/TPostFill.h"
#include "browser/TSendWatch.h"
#include "browser/TSiteMatch.h"
#include "core/UUtils.h"
#include "toolkit/TMessageBox.h"
#include "ui/UAnsi.h"
#include "ui/UClipboard.h"
#include "ui/UPasswordRule.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QToolButton>

#include <optional>
#include <utility>

void TfrmMain::ConnectBrowserHandlers()
{
    connect(bsSkinSpeedButton1, &QToolButton::clicked, this, &TfrmMain::bsSkinSpeedButton1Click);
    connect(bsSkinSpeedButton2, &QToolButton::clicked, this, &TfrmMain::bsSkinSpeedButton2Click);
    connect(bsSkinSpeedButton4, &QToolButton::clicked, this, &TfrmMain::bsSkinSpeedButton4Click);
    connect(bsSkinSpeedButton3, &QToolButton::clicked, this, &TfrmMain::bsSkinSpeedButton3Click);
    connect(bsSkinButton2, &QPushButton::clicked, this, &TfrmMain::bsSkinButton2Click);
    connect(btnAutoInsert, &QPushButton::clicked, this, &TfrmMain::btnAutoInsertClick);
    connect(btnSPaste, &QPushButton::clicked, this, &TfrmMain::btnSPasteClick);
    connect(btnBPaste, &QPushButton::clicked, this, &TfrmMain::btnBPasteClick);
    connect(btnUPaste, &QPushButton::clicked, this, &TfrmMain::btnUPasteClick);
    connect(btnWPaste, &QPushButton::clicked, this, &TfrmMain::btnWPasteClick);

    connect(btnAddURL, &QPushButton::clicked, this, &TfrmMain::btnAddURLClick);
    connect(btnRemoveURL, &QPushButton::clicked, this, &TfrmMain::btnRemoveURLClick);
    connect(edtUsername, &QLineEdit::textChanged, this, &TfrmMain::edtUsernameChange);
    connect(edtPassword, &QLineEdit::textChanged, this, &TfrmMain::edtPasswordChange);
    // The user changes the selection by mouse, keys or type-ahead; a click on the item already
    // selected counts as well.
    connect(lvwForums, &QListWidget::itemSelectionChanged, this, [this] {
        if (!FUpdatingForums)
            lvwForumsListBoxClick();
    });
    connect(lvwForums, &QListWidget::clicked, this, [this] { lvwForumsListBoxClick(); });

    edtURL->installEventFilter(this);
    btnBPaste->installEventFilter(this);
    lvwForums->installEventFilter(this);
    lvwForums->viewport()->installEventFilter(this);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == edtURL) {
            edtURLKeyDown(key);
        } else if (watched == lvwForums) {
            if (lvwForumsListBoxKeyDown(key))
                return true;
        } else if (watched == btnBPaste && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            // Enter runs the focused button's action as Space does.
            btnBPaste->click();
            return true;
        }
    } else if (watched == lvwForums->viewport() &&
               (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
                event->type() == QEvent::MouseButtonDblClick)) {
        const bool onItem =
            lvwForums->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid();
        // A double-click opens the selected forum, on an item or on the empty area below them.
        if (event->type() == QEvent::MouseButtonDblClick)
            lvwForumsListBoxDblClick();
        // Clicks on the empty area leave the selection as it is.
        if (!onItem)
            return true;
    }
    return TSkinForm::eventFilter(watched, event);
}

// --- Browser toolbar ---

void TfrmMain::StopIfBusy()
{
    if (webBrowser->IsBusy())
        webBrowser->Stop();
}

void TfrmMain::bsSkinSpeedButton1Click()
{
    StopIfBusy();
    webBrowser->GoBack();
}

void TfrmMain::bsSkinSpeedButton2Click()
{
    StopIfBusy();
    webBrowser->GoForward();
}

void TfrmMain::bsSkinSpeedButton4Click()
{
    StopIfBusy();
    webBrowser->Refresh();
}

void TfrmMain::bsSkinSpeedButton3Click()
{
    StopIfBusy();
}

// "Go!" navigates whatever the box holds; neither it nor Enter stops a load in progress first.
void TfrmMain::bsSkinButton2Click()
{
    webBrowser->Navigate(edtURL->text());
}

void TfrmMain::edtURLKeyDown(int key)
{
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !edtURL->text().isEmpty())
        webBrowser->Navigate(edtURL->text());
}

// --- Paste buttons and Auto Insert ---

void TfrmMain::PasteIntoPage(const QString& text, bool secret)
{
    TClipboard::SetText(text, secret);
    webBrowser->Paste();
}

void TfrmMain::btnSPasteClick()
{
    PasteIntoPage(edtSubject->text(), false);
}

void TfrmMain::btnBPasteClick()
{
    const QString body = memBody->toPlainText();
    // The button took the focus from the page; given back, the page's field that was selected
    // before the click has it again and receives the paste.
    webBrowser->setFocus(Qt::OtherFocusReason);
    PasteIntoPage(body, false);
}

void TfrmMain::btnUPasteClick()
{
    PasteIntoPage(edtUsername->text(), false);
}

// The password is marked so that clipboard managers keep no copy, and leaves the clipboard again
// after a few seconds. It goes where the rule for passwords lets it (UPasswordRule.h); which
// document holds the focus is asked of the page first. A question leaves the page running: after a
// Yes the focus is asked again, and a paste whose target changed meanwhile is not made.
void TfrmMain::btnWPasteClick()
{
    const QString password = edtPassword->text();
    std::optional<QUrl> forum;
    if (const int index = ForumIndex(); index >= 0)
        forum = TSiteMatch::ForumAddress(FromAnsi(Forums->RecordAt(index).URL));
    QPointer<TfrmMain> self(this);
    webBrowser->FocusedSite([self, password, forum](const TPasswordTarget& target) {
        if (!self)
            return;
        const QList<QUrl> shown = self->webBrowser->DocumentAddresses();
        bool asked = false;
        if (!PasswordMayGoTo(*self->webBrowser, target, forum, *self->msgMain, &asked))
            return;
        if (!asked) {
            self->PasteIntoPage(password, true);
            return;
        }
        self->webBrowser->FocusedSite([self, password, shown, target](const TPasswordTarget& now) {
            if (!self)
                return;
            if (SamePasswordTarget(shown, target, self->webBrowser->DocumentAddresses(), now))
                self->PasteIntoPage(password, true);
            else
                self->msgMain->ShowMessageBox(
                    QStringLiteral("The selected field changed while you answered, so "
                                   "the password was not pasted."),
                    TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK}, 0);
        });
    });
}

// The log-in fill asks the question of the password paste, of the document that holds the
// password box.
bool TfrmMain::PasswordMayFillLogin(const QUrl& origin, bool inFrame, const QUrl& forum)
{
    return PasswordMayGoTo(*webBrowser, TBrowserPane::TFocusedSite{origin, inFrame, !origin.isEmpty()}, forum,
                           *msgMain);
}

void TfrmMain::btnAutoInsertClick()
{
    AutoInsertBody(memBody->toPlainText(), QString());
}

void TfrmMain::AutoInsertBody(const QString& body, const QString& bodyHtml)
{
    // Both texts read now; the body is written once the subject is done. A part that no field
    // named for it took then goes where a user would type it on the posting form; an empty part
    // is never looked for there, so that it cannot erase what the page holds.
    const QString subject = edtSubject->text();
    TBrowserPane* pane = webBrowser;
    TPostFill* fill = PostFill;
    fill->BeginFill();
    pane->FillField(
        QStringLiteral("subject"), subject, [this, pane, fill, subject, body, bodyHtml](bool subjectWritten) {
            pane->FillField(QStringLiteral("body"), body,
                            [this, fill, subject, body, bodyHtml, subjectWritten](bool bodyWritten) {
                                const TPostFill::TPostParts wanted{!subjectWritten && !subject.isEmpty(),
                                                                   !bodyWritten && !body.isEmpty()};
                                fill->FillPost(
                                    subject, body, wanted,
                                    [this, fill, subject, body, subjectWritten,
                                     bodyWritten](TPostFill::TPostParts written) {
                                        fill->ShowFilled(PostedHereBefore());
                                        ShowFillNote({subject, body, subjectWritten || written.Subject,
                                                      bodyWritten || written.Body,
                                                      subjectWritten || bodyWritten || written.Form,
                                                      subjectWritten || written.SubjectBox});
                                        // An empty body gives the page nothing to send.
                                        AutoInsertDone((bodyWritten || written.Body) &&
                                                       !body.trimmed().isEmpty());
                                    },
                                    bodyHtml);
                            });
        });
}

// A second post of this subject to this forum is shown, not prevented: the outline turns to the
// warning colour and the forum's mark blinks.
bool TfrmMain::PostedHereBefore() const
{
    const QList<QUrl> shown = webBrowser->DocumentAddresses();
    return Posts && !shown.isEmpty() && FMarks.count(ForumOfPage(shown.constFirst())) > 0;
}

// The post is recorded when the page sends it (FMainPosts.cpp).
void TfrmMain::AutoInsertDone(bool bodyWritten)
{
    const QList<QUrl> shown = webBrowser->DocumentAddresses();
    if (!Posts || shown.isEmpty())
        return;
    const std::string forum = ForumOfPage(shown.constFirst());
    if (FMarks.count(forum) > 0) {
        const int selected = ForumIndex();
        // The forum of a post is kept without a user name and password.
        int row = selected >= 0 && WithoutUserInfo(Forums->RecordAt(selected).URL) == forum ? selected : -1;
        for (int i = 0; row < 0 && i < Forums->Count(); ++i)
            if (WithoutUserInfo(Forums->RecordAt(i).URL) == forum)
                row = i;
        if (row >= 0)
            ForumList()->BlinkMark(row);
    }
    if (!bodyWritten)
        return;
    // Carried by the watch: a send of the page before, still settling, records its own.
    SendWatch->WatchForSend(QVariantList{QByteArray::fromStdString(ToAnsi(edtSubject->text())),
                                         QByteArray::fromStdString(forum)});
}

// --- Forum list ---

int TfrmMain::ForumIndex() const
{
    const QList<QListWidgetItem*> selected = lvwForums->selectedItems();
    return selected.isEmpty() ? -1 : lvwForums->row(selected.constFirst());
}

void TfrmMain::btnAddURLClick()
{
    const QString url = edtURL->text();
    if (url.isEmpty())
        return;
    auto forum = std::make_unique<TForum>();
    forum->URL = ToAnsi(url);
    forum->Username = ToAnsi(edtUsername->text());
    forum->Password = ToAnsi(edtPassword->text());
    Forums->InsertAt(0, std::move(forum));
    {
        // A selected forum stays selected one row further down.
        const QScopedValueRollback<bool> updating(FUpdatingForums, true);
        lvwForums->insertItem(0, url);
    }
    Forums->SaveAll();
}

void TfrmMain::btnRemoveURLClick()
{
    if (const int index = ForumIndex(); index >= 0) {
        FRemovedForums.push_back({index, Forums->RecordAt(index)});
        actUndoRemove->setEnabled(true);
        Forums->RemoveAt(index);
        const QScopedValueRollback<bool> updating(FUpdatingForums, true);
        delete lvwForums->takeItem(index);
        lvwForums->clearSelection();
        lvwForums->setCurrentRow(-1);
    }
    // With nothing selected, clearing the edits changes no forum.
    edtUsername->clear();
    edtPassword->clear();
    Forums->SaveAll();
}

bool TfrmMain::lvwForumsListBoxKeyDown(int key)
{
    if (key != Qt::Key_Delete)
        return false;
    btnRemoveURLClick();
    return true;
}

void TfrmMain::lvwForumsListBoxClick()
{
    const int index = ForumIndex();
    if (index < 0)
        return;
    // Each assignment that changes an edit saves the same value back through its change handler. The
    // store is written once both edits are filled, so that a save that fails cannot leave the password
    // edit showing the previous forum's password.
    const TForum forum = Forums->RecordAt(index);
    const QString username = FromAnsi(forum.Username), password = FromAnsi(forum.Password);
    const bool changed = edtUsername->text() != username || edtPassword->text() != password;
    {
        const QScopedValueRollback<bool> filling(FFillingCredentials, true);
        edtUsername->setText(username);
        edtPassword->setText(password);
    }
    if (changed)
        Forums->SaveAllReportingOnce();
}

void TfrmMain::lvwForumsListBoxDblClick()
{
    const int index = ForumIndex();
    if (index < 0)
        return;
    lvwForumsListBoxClick(); // the forum's user name and password
    edtURL->setText(FromAnsi(Forums->RecordAt(index).URL));
    StopIfBusy();
    webBrowser->Navigate(edtURL->text());
}

void TfrmMain::edtUsernameChange()
{
    StoreCredential(&TForum::Username, edtUsername->text());
}

void TfrmMain::edtPasswordChange()
{
    StoreCredential(&TForum::Password, edtPassword->text());
}

void TfrmMain::StoreCredential(std::string TForum::*field, const QString& text)
{
    if (!Forums)
        return;
    if (const int index = ForumIndex(); index >= 0) {
        // Text that merely shows the stored bytes is not written back: a name the locale cannot
        // represent exactly would otherwise be damaged just by selecting its forum.
        std::string& stored = Forums->RecordAt(index).*field;
        if (FromAnsi(stored) != text)
            stored = ToAnsi(text);
    }
    if (!FFillingCredentials)
        Forums->SaveAllReportingOnce();
}
