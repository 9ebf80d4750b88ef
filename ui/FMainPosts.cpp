// The posting run: the record of the posts sent from the browser pane ("Posts.dat"), the marks
// in the forum list for the subject in the subject edit, the list's context menu with Next forum
// (F8, Ctrl+N), and the pane's entries for the address of the page it shows.
#include "ui/FMain.h"

#include "browser/TBrowserPane.h"
#include "browser/TSendWatch.h"
#include "browser/TSiteMatch.h"
#include "toolkit/TMessageBox.h"
#include "ui/UAnsi.h"
#include "ui/UClipboard.h"

#include <QAction>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QVariant>
#include <QWebEnginePage>

namespace {

QDateTime SentTime(const std::string& stored)
{
    return QDateTime::fromString(FromAnsi(stored), Qt::ISODate);
}

// When a post was sent, in the user's local time; the stored text when it is not a time.
QString ShownTime(const std::string& stored)
{
    const QDateTime sent = SentTime(stored);
    return sent.isValid() ? sent.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                          : FromAnsi(stored);
}

// "&" would mark a mnemonic in the message box.
QString Literal(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

TListBox* TfrmMain::ForumList() const
{
    return static_cast<TListBox*>(lvwForums);
}

void TfrmMain::BuildPostingRun()
{
    const auto make = [this](const QString& caption, void (TfrmMain::*handler)()) {
        auto* action = new QAction(caption, this);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    actNextForum = make(QStringLiteral("Next forum"), &TfrmMain::actNextForumClick);
    // Its keys are the window's (FMainKeys.cpp).
    actNextForum->setShortcutContext(Qt::WindowShortcut);
    actNextForum->setAutoRepeat(false); // held down, it would open one forum after another
    addAction(actNextForum);
    actOpenThread = make(QStringLiteral("Open thread"), &TfrmMain::actOpenThreadClick);
    actCopyThreadAddress = make(QStringLiteral("Copy thread address"), &TfrmMain::actCopyThreadAddressClick);
    actForgetPost = make(QStringLiteral("Forget this post"), &TfrmMain::actForgetPostClick);
    actCopyPostingRecord = make(QStringLiteral("Copy posting record"), &TfrmMain::actCopyPostingRecordClick);
    actCopyPageAddress = make(QStringLiteral("Copy page address"), &TfrmMain::actCopyPageAddressClick);
    actUsePageAddress = make(QStringLiteral("Use page address"), &TfrmMain::actUsePageAddressClick);
    webBrowser->AddContextMenuAction(actNextForum);
    webBrowser->AddContextMenuAction(actCopyPageAddress);
    webBrowser->AddContextMenuAction(actUsePageAddress);

    ForumList()->SetMarker([this](int row) {
        TListBox::TMark mark;
        if (!Forums || !Posts || row >= Forums->Count())
            return mark;
        const auto found = FMarks.find(Forums->RecordAt(row).URL);
        if (found == FMarks.end())
            return mark;
        const TPost& post = Posts->RecordAt(found->second);
        mark.Marked = true;
        mark.Hint =
            QStringLiteral("Posted %1\nThread: %2").arg(ShownTime(post.SentAt), FromAnsi(post.ThreadURL));
        return mark;
    });
    connect(edtSubject, &QLineEdit::textChanged, this, &TfrmMain::RefreshMarks);
    // Forums added or removed may have posts of their own.
    connect(lvwForums->model(), &QAbstractItemModel::rowsInserted, this, &TfrmMain::RefreshMarks);
    connect(lvwForums->model(), &QAbstractItemModel::rowsRemoved, this, &TfrmMain::RefreshMarks);

    lvwForums->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvwForums, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const bool posted = SelectedPost() >= 0;
        actOpenThread->setEnabled(posted);
        actCopyThreadAddress->setEnabled(posted);
        actForgetPost->setEnabled(posted);
        actCopyPostingRecord->setEnabled(!FMarks.empty());
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(actNextForum);
        AddForumMenuEntries(menu);
        menu->addSeparator();
        menu->addActions({actOpenThread, actCopyThreadAddress, actForgetPost});
        menu->addSeparator();
        menu->addAction(actCopyPostingRecord);
        menu->addSeparator();
        actUndoRemove->setEnabled(!FRemovedForums.empty());
        menu->addAction(actUndoRemove);
        menu->popup(lvwForums->viewport()->mapToGlobal(at));
    });

    connect(SendWatch, &TSendWatch::PostSent, this, &TfrmMain::webBrowserPostSent);
    connect(SendWatch, &TSendWatch::SendRefused, this,
            [this] { ShowNote(QStringLiteral("The forum gave the form back: nothing recorded.")); });
}

std::string TfrmMain::ForumOfPage(const QUrl& page) const
{
    if (const int index = ForumIndex(); index >= 0 && Forums) {
        const std::string& forum = Forums->RecordAt(index).URL;
        if (TSiteMatch::SameSite(page, TSiteMatch::ForumAddress(FromAnsi(forum))))
            return forum;
    }
    QUrl::FormattingOptions strip = QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment;
    // A web page's origin is its scheme, host and port; a local page stands for itself.
    if (page.scheme() == QLatin1String("http") || page.scheme() == QLatin1String("https"))
        strip |= QUrl::RemovePath;
    return ToAnsi(page.adjusted(strip).toString());
}

void TfrmMain::RefreshMarks()
{
    if (!Posts || !Forums)
        return;
    FMarks = Posts->LatestBySubject(ToAnsi(edtSubject->text()));
    bool any = false;
    for (int i = 0; !any && !FMarks.empty() && i < Forums->Count(); ++i)
        any = FMarks.count(Forums->RecordAt(i).URL) > 0;
    ForumList()->MarksChanged(any);
}

int TfrmMain::SelectedPost() const
{
    const int index = ForumIndex();
    if (index < 0 || !Forums)
        return -1;
    const auto found = FMarks.find(Forums->RecordAt(index).URL);
    return found == FMarks.end() ? -1 : found->second;
}

void TfrmMain::webBrowserPostSent(const QDateTime& sentAt, const QUrl& threadAddress, const QVariant& sent)
{
    const QVariantList parts = sent.toList();
    if (parts.size() != 2 || !Posts)
        return;
    auto post = std::make_unique<TPost>();
    post->Subject = parts[0].toByteArray().toStdString();
    post->ForumURL = parts[1].toByteArray().toStdString();
    post->SentAt = ToAnsi(sentAt.toUTC().toString(Qt::ISODate));
    // A user name and password in the address stay out of the file.
    post->ThreadURL = ToAnsi(threadAddress.toString(QUrl::RemoveUserInfo));
    const QString thread = FromAnsi(post->ThreadURL);
    Posts->Append(std::move(post));
    RefreshMarks();
    Posts->SaveAll();
    RefreshMarks(); // merged with a file changed elsewhere, the record may hold more posts
    ShowNote(QStringLiteral("Recorded: %1").arg(thread));
}

// Opens the next forum below the selected one, round the list once, that has no post of this
// subject, as a double-click on it would.
void TfrmMain::actNextForumClick()
{
    const int count = lvwForums->count();
    const int from = ForumIndex();
    for (int step = 1; step <= count; ++step) {
        const int row = (from + step) % count;
        if (FMarks.count(Forums->RecordAt(row).URL) > 0)
            continue;
        lvwForums->setCurrentRow(row);
        lvwForums->scrollToItem(lvwForums->item(row));
        lvwForumsListBoxDblClick();
        return;
    }
    msgMain->ShowMessageBox(count == 0
                                ? QStringLiteral("There are no forums in the list.")
                                : QStringLiteral("Every forum in the list has a post of this subject."),
                            TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK}, 0);
}

void TfrmMain::actOpenThreadClick()
{
    if (const int post = SelectedPost(); post >= 0) {
        StopIfBusy();
        webBrowser->Navigate(FromAnsi(Posts->RecordAt(post).ThreadURL));
    }
}

void TfrmMain::actCopyThreadAddressClick()
{
    if (const int post = SelectedPost(); post >= 0)
        TClipboard::SetText(FromAnsi(Posts->RecordAt(post).ThreadURL));
}

void TfrmMain::actForgetPostClick()
{
    const int post = SelectedPost();
    if (post < 0)
        return;
    const TPost& record = Posts->RecordAt(post);
    const QString question =
        QStringLiteral("Forget that \"%1\" was posted to %2 on %3?")
            .arg(FromAnsi(record.Subject), FromAnsi(record.ForumURL), ShownTime(record.SentAt));
    if (msgMain->ShowMessageBox(Literal(question), TMsgDlgType::mtConfirmation,
                                {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}, 0, TMsgDlgBtn::mbNo) != mrYes)
        return;
    Posts->RemoveAt(post);
    RefreshMarks();
    Posts->SaveAll();
    RefreshMarks(); // merged with a file changed elsewhere, the record may hold more posts
}

// The posts of the subject in the subject edit, oldest first, one line each for a report.
void TfrmMain::actCopyPostingRecordClick()
{
    const std::string subject = ToAnsi(edtSubject->text());
    QStringList lines;
    for (int i = 0; i < Posts->Count(); ++i) {
        const TPost& post = Posts->RecordAt(i);
        if (post.Subject == subject)
            lines << QStringLiteral("%1 \u2014 %2 \u2014 %3")
                         .arg(FromAnsi(post.ForumURL), FromAnsi(post.ThreadURL), ShownTime(post.SentAt));
    }
    if (!lines.isEmpty())
        TClipboard::SetText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void TfrmMain::actCopyPageAddressClick()
{
    if (webBrowser->Page() && !webBrowser->Page()->url().isEmpty())
        TClipboard::SetText(webBrowser->Page()->url().toString());
}

// The address box takes the page's address, so that "Add Current URL" can keep the page the user
// clicked through to.
void TfrmMain::actUsePageAddressClick()
{
    if (webBrowser->Page() && !webBrowser->Page()->url().isEmpty())
        edtURL->setText(webBrowser->Page()->url().toString());
}
