// Threadwick's entry point: create the application, the main window, run the event loop.
#include "app/TApplication.h"
#include "toolkit/TErrorReport.h"
#include "ui/FMain.h"

#include <memory>

int main(int, char** argv)
{
    TApplication::PrepareEngine();
    // Only the program name is passed on: Threadwick takes no command line.
    int qtArgc = 1;
    TApplication app(qtArgc, argv);
    std::unique_ptr<TfrmMain> window;
    try {
        window = std::make_unique<TfrmMain>(TApplication::ApplicationDirectory());
    } catch (const std::exception& failure) {
        ReportFailure(failure);
        return 1;
    }
    window->show();
    return app.exec();
}
