// The main of every widget test: the same application object and engine set-up as the program.
#include "app/TApplication.h"
#include "browser/TBrowserPane.h"
#include "browser/TLocalContentGuard.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TApplication::PrepareEngine();
    int qtArgc = 1;
    TApplication app(qtArgc, argv);
    // Tests never write the user's browser data: the engine keeps everything in memory.
    TBrowserPane::SetProfileDirectory(QString());
    // The fixture pages are the tests' own pages, with scripts, as the practice forum is the
    // program's.
    TLocalContentGuard::SetOwnDirectories(
        {QCoreApplication::applicationDirPath(), qEnvironmentVariable("THREADWICK_FIXTURES")});
    return RUN_ALL_TESTS();
}
