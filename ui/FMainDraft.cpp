// The draft: the message being written, kept in "Draft.dat" beside the stores while it is not saved,
// so that a crash, a kill or a power cut does not lose it, and restored at the next start. Also the
// end of the program on a signal, which keeps the text as a draft without asking anything.
#include "ui/FMain.h"

#include "browser/TSendWatch.h"

#include "toolkit/TErrorReport.h"
#include "ui/UAnsi.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

namespace {

// A change reaches the disk within this time: half of the two seconds the user is promised, the rest
// left for a slow disk.
constexpr int DraftDelayMs = 1000;

} // namespace

QString TfrmMain::RestoredNote()
{
    return QStringLiteral("Restored the message you were writing when Threadwick last stopped.");
}

void TfrmMain::BuildDraft()
{
    FDraftTimer = new QTimer(this);
    FDraftTimer->setSingleShot(true);
    FDraftTimer->setInterval(DraftDelayMs);
    connect(FDraftTimer, &QTimer::timeout, this, &TfrmMain::KeepDraft);
    // Started by the first change and not restarted by the next ones: a steady typist's text is
    // written a second after the first key, not once the typing stops.
    const auto changed = [this] {
        if (!FDraftTimer->isActive())
            FDraftTimer->start();
    };
    connect(edtSubject, &QLineEdit::textChanged, this, changed);
    connect(memBody, &QPlainTextEdit::textChanged, this, changed);
}

void TfrmMain::RestoreDraft()
{
    Draft = std::make_unique<TDraft>(ToAnsi(FAppDirectory));
    CreationStep([this] { Draft->LoadAll(); });
    if (Draft->Count() == 0)
        return;
    const TDraftMessage& draft = Draft->RecordAt(0);
    if (draft.Subject.empty() && draft.Body.empty())
        return;
    edtSubject->setText(FromAnsi(draft.Subject));
    memBody->setPlainText(FromAnsi(draft.Body));
    FDraftTimer->stop(); // the file already holds this text
    FDraftRestored = true;
}

void TfrmMain::DraftStep(const std::function<void()>& step)
{
    try {
        step();
    } catch (const std::exception& failure) {
        // Drafts are written as the user types: a disk that refuses them is said once, not at every
        // pause in the typing.
        if (!FDraftFailureReported) {
            FDraftFailureReported = true;
            ReportFailure(failure);
        }
    }
}

void TfrmMain::KeepDraft()
{
    if (FDraftTimer)
        FDraftTimer->stop();
    if (!Draft)
        return;
    DraftStep([this] {
        if (EditorUnsaved())
            Draft->Write(ToAnsi(edtSubject->text()), ToAnsi(memBody->toPlainText()));
        else
            Draft->Remove();
    });
}

void TfrmMain::DropDraft()
{
    if (FDraftTimer)
        FDraftTimer->stop();
    if (Draft)
        DraftStep([this] { Draft->Remove(); });
}

void TfrmMain::EndForSignal()
{
    if (FEndingForSignal)
        return;
    FEndingForSignal = true;
    // Every store is written at each change, so the draft is all that may still be pending. The exit
    // also ends the loops of an open dialog or message box; the stores and the directory's lock are
    // released as the window goes.
    KeepDraft();
    // A post the page sent just now is recorded before the program ends, as at closing.
    SendWatch->SettleBeforeClose();
    QCoreApplication::exit(0);
}
