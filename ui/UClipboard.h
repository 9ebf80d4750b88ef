// The clipboard as the paste buttons use it: plain text that replaces whatever it held. A secret
// (a password) is marked for clipboard managers and taken off the clipboard again a little later,
// if the clipboard still holds it then.
#pragma once

#include "core/UErrors.h"

#include <QString>

class EClipboardError : public EThreadwickError
{
public:
    using EThreadwickError::EThreadwickError;
};

class TClipboard
{
public:
    // How long a secret stays on the clipboard: time enough to paste it once more by hand.
    static constexpr int SecretLifetimeMs = 10000;

    // Puts text on the clipboard, the empty text included. A secret carries the hint that tells
    // clipboard managers not to keep it in their history, and is removed after SecretLifetimeMs
    // unless the clipboard holds something else by then. Raises EClipboardError "Cannot open
    // clipboard" when the clipboard does not take it.
    static void SetText(const QString& text, bool secret = false);

    // Milliseconds until the secret put on the clipboard last is removed; -1 when none is pending.
    static int SecretRemainingMs();
    // Test hook: does now what the end of the secret's lifetime does.
    static void ExpireSecret();
};
