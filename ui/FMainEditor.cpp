// The message editor's actions: link markup preview, copy and save; opening the Load Message and
// the Custom Message Templates dialogs; keeping unsaved text from being lost at close, at the end of
// the desktop session and by a load.
#include "ui/FMain.h"

#include "browser/TSendWatch.h"
#include "core/UErrors.h"
#include "core/ULinkMarkup.h"
#include "toolkit/TErrorReport.h"
#include "toolkit/TMessageBox.h"
#include "ui/FFormats.h"
#include "ui/FUMessages.h"
#include "ui/UAnsi.h"
#include "ui/UClipboard.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <memory>

void TfrmMain::ConnectEditorHandlers()
{
    connect(btnPreview, &QPushButton::clicked, this, &TfrmMain::btnPreviewClick);
    connect(btnCopy, &QPushButton::clicked, this, &TfrmMain::btnCopyClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmMain::btnSaveClick);
    connect(btnLoad, &QPushButton::clicked, this, &TfrmMain::btnLoadClick);
    connect(btnOptions, &QPushButton::clicked, this, &TfrmMain::btnOptionsClick);
#if QT_CONFIG(sessionmanager)
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            // Called from the session manager's protocol, which a failure must not unwind: it is
            // reported here instead.
            try {
                SaveForSessionEnd();
            } catch (const std::exception& failure) {
                ReportFailure(failure);
            }
        });
#endif
}

const TFormat* TfrmMain::ChosenFormat() const
{
    // Entry k (k >= 1) names the k-th template that has a name; entry 0, "text", none.
    int entry = cbxFormat->currentIndex();
    if (entry <= 0)
        return nullptr;
    for (int i = 0; i < Formats->Count(); ++i) {
        const TFormat& format = Formats->RecordAt(i);
        if (!format.Name.empty() && --entry == 0)
            return &format;
    }
    return nullptr;
}

void TfrmMain::btnPreviewClick()
{
    const TFormat* format = ChosenFormat();
    QString subject = ConvertLinks(edtSubject->text(), format);
    const QString body = ConvertLinks(memBody->toPlainText(), format);
    if (!subject.isEmpty())
        subject += QStringLiteral("\n\r\n\r");
    // The message box takes "&" for a mnemonic; the preview shows every "&" that will be posted.
    QString shown = subject + body;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    msgMain->ShowMessageBox(shown, TMsgDlgType::mtCustom, {TMsgDlgBtn::mbOK}, 0);
}

void TfrmMain::btnCopyClick()
{
    TClipboard::SetText(ConvertLinks(memBody->toPlainText(), ChosenFormat()));
}

void TfrmMain::btnSaveClick()
{
    if (edtSubject->text().isEmpty() && memBody->toPlainText().isEmpty())
        return;
    auto message = std::make_unique<TFMessage>();
    message->Subject = ToAnsi(edtSubject->text());
    message->Body = ToAnsi(memBody->toPlainText());
    Messages->Append(std::move(message));
    try {
        Messages->SaveAll();
    } catch (const EFlushError&) {
        // The file is in place, only its folder's flush failed: the message is saved, and a second
        // save (the close question's Yes) would store it twice.
        EditorKept();
        throw;
    } catch (const EStoreConflictError&) {
        // Saved beside the file another program changed; the message box names that file.
        EditorKept();
        throw;
    }
    EditorKept();
}

void TfrmMain::btnLoadClick()
{
    auto dialog = std::make_unique<TfrmFMessages>(this);
    dialog->exec();
}

void TfrmMain::btnOptionsClick()
{
    auto dialog = std::make_unique<TfrmFormat>(this);
    if (dialog->exec() == mrOk)
        FillFormats();
}

bool TfrmMain::EditorUnsaved() const
{
    const QString subject = edtSubject->text();
    const QString body = memBody->toPlainText();
    if (subject.isEmpty() && body.isEmpty())
        return false;
    return subject != FKeptSubject || body != FKeptBody;
}

void TfrmMain::EditorKept()
{
    FKeptSubject = edtSubject->text();
    FKeptBody = memBody->toPlainText();
    KeepDraft(); // the text is kept elsewhere now: no draft
    KeepMessageSubject();
}

bool TfrmMain::MayReplaceEditor()
{
    return !EditorUnsaved() ||
           msgMain->ShowMessageBox(
               QStringLiteral("Replace the message in the editor? It has not been saved."),
               TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}, 0,
               TMsgDlgBtn::mbNo) == mrYes;
}

bool TfrmMain::FormCloseQuery()
{
    if (!EditorUnsaved())
        return true;
    // Esc, and closing the box itself, answer Cancel.
    switch (msgMain->ShowMessageBox(QStringLiteral("Save the message before closing?"),
                                    TMsgDlgType::mtConfirmation,
                                    {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbCancel}, 0)) {
    case mrYes:
        btnSaveClick();
        return true;
    case mrNo:
        DropDraft();
        return true;
    default:
        return false;
    }
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // Ignored first: a save that fails goes on to the application's error handling, and the
    // window with the text in it stays.
    event->ignore();
    if (FEndingForSignal || FormCloseQuery()) {
        // A post the page sent just now is recorded before the program ends.
        SendWatch->SettleBeforeClose();
        event->accept();
        if (!FEndingForSignal && !EditorUnsaved())
            KeepDraft(); // nothing is left unsaved, so a draft still waiting to be removed goes
    }
}

void TfrmMain::SaveForSessionEnd()
{
    if (EditorUnsaved())
        btnSaveClick();
}

QString TfrmMain::ConvertLinks(const QString& text, const TFormat* format) const
{
    return FromAnsi(::ConvertLinks(ToAnsi(text), format));
}
