// The browser engine's dialogs and their captions.
#include "browser/TBrowserDialogs.h"

#include "toolkit/TMessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

TBrowserDialogHook& Hook()
{
    static TBrowserDialogHook hook;
    return hook;
}

// Longest line of a page's text in a box, most lines and most characters shown of it: a page
// cannot make a box wider or taller than the screen.
constexpr int LongestLine = 100;
constexpr int MostLines = 25;
constexpr int LongestText = 2000;

const QChar Ellipsis(0x2026);

// The text in lines of at most LongestLine characters, long lines broken at blanks.
QStringList WrappedLines(const QString& text)
{
    QStringList lines;
    for (QString line : TMessageLabel::Lines(text).split(QLatin1Char('\n'))) {
        while (line.size() > LongestLine) {
            qsizetype at = line.lastIndexOf(QLatin1Char(' '), LongestLine);
            if (at <= 0)
                at = LongestLine;
            lines << line.left(at);
            line = line.mid(at).trimmed();
        }
        lines << line;
    }
    return lines;
}

// The text as the message box shows it: "&" kept literal (it would mark a mnemonic), long lines
// broken at blanks, overlong text cut.
QString BoxText(const QString& text)
{
    const QString cut = text.size() > LongestText ? text.left(LongestText) + Ellipsis : text;
    return WrappedLines(cut).join(QLatin1Char('\n')).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// Alerts, confirmations and prompts in the skinned message box, under the dialog's caption.
bool AskMessage(const TBrowserDialog& dialog)
{
    const bool alert = dialog.Kind == TBrowserDialogKind::Alert;
    auto box = TMessageBox::Build(
        BoxText(dialog.Text), alert ? TMsgDlgType::mtWarning : TMsgDlgType::mtConfirmation,
        alert ? TMsgDlgButtons{TMsgDlgBtn::mbOK} : TMsgDlgButtons{TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel});
    box->setWindowTitle(dialog.Caption);
    box->setWindowIcon(QApplication::windowIcon());
    return box->exec() == mrOk;
}

// A prompt is the confirmation box with an edit for the answer between the text and the buttons.
bool AskText(TBrowserDialog& dialog)
{
    auto box = TMessageBox::Build(BoxText(dialog.Text), TMsgDlgType::mtConfirmation,
                                  {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel});
    box->setWindowTitle(dialog.Caption);
    box->setWindowIcon(QApplication::windowIcon());
    auto* edit = new QLineEdit(dialog.Value, box.get());
    const int top = box->Label()->geometry().bottom() + 12;
    const int height = edit->sizeHint().height();
    const int grow = height + 12;
    edit->setGeometry(box->Label()->x(), top, box->width() - box->Label()->x() - 20, height);
    for (QPushButton* button : box->Buttons())
        button->move(button->x(), button->y() + grow);
    box->setFixedSize(box->width(), box->height() + grow);
    edit->selectAll();
    edit->setFocus();
    if (box->exec() != mrOk)
        return false;
    dialog.Value = edit->text();
    return true;
}

bool AskCredentials(QWidget* parent, TBrowserDialog& dialog)
{
    QDialog box(parent);
    box.setWindowIcon(QApplication::windowIcon());
    box.setWindowTitle(dialog.Caption);
    auto* layout = new QVBoxLayout(&box);
    auto* text = new QLabel(dialog.Text, &box);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* fields = new QFormLayout;
    auto* user = new QLineEdit(dialog.Value, &box);
    auto* password = new QLineEdit(&box);
    password->setEchoMode(QLineEdit::Password);
    fields->addRow(QObject::tr("User name:"), user);
    fields->addRow(QObject::tr("Password:"), password);
    layout->addLayout(fields);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    if (box.exec() != QDialog::Accepted)
        return false;
    dialog.Value = user->text();
    dialog.Password = password->text();
    return true;
}

bool AskSavePath(QWidget* parent, TBrowserDialog& dialog)
{
    QFileDialog files(parent, dialog.Caption);
    files.setWindowIcon(QApplication::windowIcon());
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.setFileMode(QFileDialog::AnyFile);
    files.selectFile(dialog.Value);
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty())
        return false;
    dialog.Value = files.selectedFiles().constFirst();
    return true;
}

bool AskFiles(QWidget* parent, TBrowserDialog& dialog)
{
    QFileDialog files(parent, dialog.Caption, dialog.Value);
    files.setWindowIcon(QApplication::windowIcon());
    switch (dialog.Mode) {
    case TUploadMode::File:
        files.setFileMode(QFileDialog::ExistingFile);
        break;
    case TUploadMode::Files:
        files.setFileMode(QFileDialog::ExistingFiles);
        break;
    case TUploadMode::Folder:
        files.setFileMode(QFileDialog::Directory);
        break;
    case TUploadMode::Save:
        files.setAcceptMode(QFileDialog::AcceptSave);
        files.setFileMode(QFileDialog::AnyFile);
        break;
    }
    if (files.exec() != QDialog::Accepted)
        return false;
    dialog.Files = files.selectedFiles();
    return !dialog.Files.isEmpty();
}

} // namespace

QString WholeText(const QString& text)
{
    return WrappedLines(text).join(QLatin1Char('\n')).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString PageText(const QString& text)
{
    const bool tooLong = text.size() > LongestText;
    QStringList lines = WrappedLines(tooLong ? text.left(LongestText) : text);
    const bool tooTall = lines.size() > MostLines;
    if (tooTall)
        lines.resize(MostLines);
    QString shown = lines.join(QLatin1Char('\n'));
    if (tooLong || tooTall)
        shown += Ellipsis;
    return shown;
}

QString BrowserDialogCaption(const QString& caption)
{
    static const QString WebBrowser = QStringLiteral("Web Browser");
    QString result = caption;
    const QString maker = QStringLiteral("Microsoft ");
    if (const qsizetype at = result.indexOf(maker); at >= 0)
        result.remove(at, maker.size());
    const QString browser = QStringLiteral("Internet Explorer");
    if (const qsizetype at = result.indexOf(browser); at >= 0)
        result.replace(at, browser.size(), WebBrowser);
    if (!result.contains(WebBrowser))
        result = WebBrowser + QStringLiteral(":  ") + result;
    return result;
}

bool ShowBrowserDialog(QWidget* parent, TBrowserDialog& dialog)
{
    if (Hook())
        return Hook()(dialog);
    switch (dialog.Kind) {
    case TBrowserDialogKind::Prompt:
        return AskText(dialog);
    case TBrowserDialogKind::Authentication:
        return AskCredentials(parent, dialog);
    case TBrowserDialogKind::Download:
        return AskSavePath(parent, dialog);
    case TBrowserDialogKind::Upload:
        return AskFiles(parent, dialog);
    default:
        return AskMessage(dialog);
    }
}

void SetBrowserDialogHook(TBrowserDialogHook hook)
{
    Hook() = std::move(hook);
}
