// Reporting unhandled failures.
#include "toolkit/TErrorReport.h"

#include "toolkit/TMessageBox.h"

void ReportFailure(const QString& message)
{
    TMessageBox box;
    box.ShowMessageBox(message, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, 0);
}

void ReportFailure(const std::exception& failure)
{
    ReportFailure(QString::fromLocal8Bit(failure.what()));
}
