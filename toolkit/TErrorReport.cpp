// Reporting unhandled failures.
#include "toolkit/TErrorReport.h"

#include "toolkit/TMessageBox.h"

void ReportFailure(const QString& message)
{
    // The message box takes "&" for a mnemonic; a path in a failure shows as it is.
    QString shown = message;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    TMessageBox box;
    box.ShowMessageBox(shown, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, 0);
}

void ReportFailure(const std::exception& failure)
{
    ReportFailure(QString::fromLocal8Bit(failure.what()));
}
