// Threadwick's entry point: answer "--version" or "--help", or create the application, take the data
// directory (or hand over to the copy already working on it), create the main window and run the
// event loop until the window closes or a signal asks the program to end.
#include "app/TApplication.h"
#include "app/TCommandLine.h"
#include "app/TSignalEnd.h"
#include "app/TSingleCopy.h"
#include "toolkit/TErrorReport.h"
#include "ui/FMain.h"

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    // Exit status of a refused command line, as command-line programs use it for usage errors.
    constexpr int UsageError = 2;
    const TCommandLine commandLine(argc, argv);
    switch (commandLine.Command) {
    case TCommand::Refuse:
        std::fputs(commandLine.Refusal.toLocal8Bit().constData(), stderr);
        return UsageError;
    case TCommand::Help:
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    case TCommand::Version: {
        // The versions need no window: the offscreen platform answers with or without a display. Only
        // the version line is written, nothing to standard error.
        QString line;
        {
            const TQuietStandardError quiet;
            qputenv("QT_QPA_PLATFORM", "offscreen");
            TApplication::PrepareEngine();
            int qtArgc = 1;
            TApplication app(qtArgc, argv);
            line = VersionLine();
        }
        std::fputs(line.toLocal8Bit().constData(), stdout);
        return 0;
    }
    case TCommand::Run:
        break;
    }

    TApplication::PrepareEngine();
    TApplication::WarnWithoutSandbox();
    // Only the program name is passed on: Qt's own options are not the program's.
    int qtArgc = 1;
    TApplication app(qtArgc, argv);
    // Held until the window and its stores are gone.
    TSingleCopy singleCopy(TApplication::ApplicationDirectory());
    switch (singleCopy.Start()) {
    case TSingleCopy::TStart::First:
        break;
    case TSingleCopy::TStart::Raised:
        return 0;
    case TSingleCopy::TStart::Refused:
        ReportFailure(singleCopy.Refusal());
        return 1;
    }
    std::unique_ptr<TfrmMain> window;
    try {
        window = std::make_unique<TfrmMain>(TApplication::ApplicationDirectory());
    } catch (const std::exception& failure) {
        ReportFailure(failure);
        return 1;
    }
    singleCopy.SetWindow(window.get());
    // SIGTERM, SIGINT and SIGHUP keep the draft and end through the event loop, so that the window,
    // its stores and the lock go as at any other end.
    TSignalEnd signalEnd;
    QObject::connect(&signalEnd, &TSignalEnd::Ending, window.get(), &TfrmMain::EndForSignal);
    window->show();
    return app.exec();
}
