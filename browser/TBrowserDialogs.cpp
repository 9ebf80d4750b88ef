// The browser engine's dialogs and their captions.
#include "browser/TBrowserDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace {

TBrowserDialogHook& Hook()
{
    static TBrowserDialogHook hook;
    return hook;
}

bool AskMessage(QWidget* parent, const TBrowserDialog& dialog)
{
    QMessageBox box(parent);
    box.setWindowIcon(QApplication::windowIcon());
    box.setWindowTitle(dialog.Caption);
    box.setText(dialog.Text);
    box.setTextFormat(Qt::PlainText);
    switch (dialog.Kind) {
    case TBrowserDialogKind::Alert:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    default:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    }
    return box.exec() == QMessageBox::Ok;
}

bool AskText(QWidget* parent, TBrowserDialog& dialog)
{
    QInputDialog input(parent);
    input.setWindowIcon(QApplication::windowIcon());
    input.setWindowTitle(dialog.Caption);
    input.setLabelText(dialog.Text);
    input.setTextValue(dialog.Value);
    if (input.exec() != QDialog::Accepted)
        return false;
    dialog.Value = input.textValue();
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

} // namespace

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
        return AskText(parent, dialog);
    case TBrowserDialogKind::Authentication:
        return AskCredentials(parent, dialog);
    case TBrowserDialogKind::Download:
        return AskSavePath(parent, dialog);
    default:
        return AskMessage(parent, dialog);
    }
}

void SetBrowserDialogHook(TBrowserDialogHook hook)
{
    Hook() = std::move(hook);
}
