// The failure the browser pane raises when an operation cannot be carried out.
#pragma once

#include <QString>

#include <stdexcept>

class TBrowserError : public std::runtime_error
{
public:
    explicit TBrowserError(const QString& message) : std::runtime_error(message.toLocal8Bit().toStdString())
    {
    }
};
