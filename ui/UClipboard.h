// The clipboard as the paste buttons use it: plain text that replaces whatever it held, marked as
// a secret for clipboard managers when it is a password.
#pragma once

#include <QString>

#include <stdexcept>

class TClipboardError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TClipboard
{
public:
    // Puts text on the clipboard, the empty text included. A secret carries the hint that tells
    // clipboard managers not to keep it in their history; the text itself stays on the clipboard.
    // Raises TClipboardError "Cannot open clipboard" when the clipboard does not take it.
    static void SetText(const QString& text, bool secret = false);
};
