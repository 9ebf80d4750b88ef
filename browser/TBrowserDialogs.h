// The dialogs the browser engine asks for (alerts, confirmations, among them leaving a page,
// prompts, HTTP authentication, where to save a download), shown as the program's own dialogs with the
// application's icon: alerts, confirmations and prompts in the skin of the program's message box.
// A test hook answers them without a person.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The engine asks about leaving a page through a confirmation.
enum class TBrowserDialogKind { Alert, Confirm, Prompt, Authentication, Download, Upload };

// How the upload chooser chooses.
enum class TUploadMode { File, Files, Folder, Save };

struct TBrowserDialog
{
    TBrowserDialogKind Kind = TBrowserDialogKind::Alert;
    QString Caption; // as shown, after BrowserDialogCaption
    QString Text;
    // Prompt: the suggested answer, then the answer. Authentication: the user name.
    // Download: the suggested file path, then the chosen one.
    QString Value;
    QString Password; // Authentication only
    // Upload: Value is the folder the chooser opens in; Files are the files (or the folder) chosen.
    TUploadMode Mode = TUploadMode::File;
    QStringList Files;
};

// The caption a dialog of the engine is shown with: the first "Microsoft " goes, the first
// "Internet Explorer" becomes "Web Browser", and a caption that still does not name the
// "Web Browser" gets "Web Browser:  " in front.
QString BrowserDialogCaption(const QString& caption);

// A page's own text as a dialog shows it: at most 2,000 characters in at most 25 lines, lines
// longer than a box is wide broken at blanks, so that a page cannot push the box (and the line
// naming who speaks, and its buttons) off the screen.
QString PageText(const QString& text);

// A text the user must see whole (an address in a question): lines longer than a box is wide
// broken at blanks, or anywhere where a line has none, and nothing cut; the box scrolls what does
// not fit on the screen. "&" is kept literal for the message box.
QString WholeText(const QString& text);

// Shows the dialog modally over parent and returns whether the user accepted it; the answers are
// written back into dialog.
bool ShowBrowserDialog(QWidget* parent, TBrowserDialog& dialog);

// Test hook: while set, every dialog is handed to the hook instead of being shown; the hook fills
// in the answers and returns whether the dialog was accepted.
using TBrowserDialogHook = std::function<bool(TBrowserDialog&)>;
void SetBrowserDialogHook(TBrowserDialogHook hook);
