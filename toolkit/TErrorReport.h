// The one place where failures that no handler dealt with are shown to the user.
#pragma once

#include <QString>

#include <exception>

// Shows the failure in the skinned message box (type error, caption "Error"); the program goes on.
void ReportFailure(const QString& message);
void ReportFailure(const std::exception& failure);
