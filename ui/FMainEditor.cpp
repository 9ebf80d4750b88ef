// The message editor's actions: link markup preview, copy and save; opening the Load Message and
// the Custom Message Templates dialogs.
#include "ui/FMain.h"

#include "core/ULinkMarkup.h"
#include "toolkit/TMessageBox.h"
#include "ui/FFormats.h"
#include "ui/FUMessages.h"
#include "ui/UAnsi.h"
#include "ui/UClipboard.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

void TfrmMain::ConnectEditorHandlers()
{
    connect(btnPreview, &QPushButton::clicked, this, &TfrmMain::btnPreviewClick);
    connect(btnCopy, &QPushButton::clicked, this, &TfrmMain::btnCopyClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmMain::btnSaveClick);
    connect(btnLoad, &QPushButton::clicked, this, &TfrmMain::btnLoadClick);
    connect(btnOptions, &QPushButton::clicked, this, &TfrmMain::btnOptionsClick);
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
    Messages->SaveAll();
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

QString TfrmMain::ConvertLinks(const QString& text, const TFormat* format) const
{
    return FromAnsi(::ConvertLinks(ToAnsi(text), format));
}
