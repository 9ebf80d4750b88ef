// The failure the browser pane raises when an operation cannot be carried out.
#pragma once

#include "core/UErrors.h"

#include <QString>

class EBrowserError : public EThreadwickError
{
public:
    explicit EBrowserError(const QString& message) : EThreadwickError(message.toLocal8Bit().toStdString()) {}
};
