// The program's command line: nothing to start the program, or one of "--version" and "--help".
#pragma once

#include <QString>

enum class TCommand { Run, Version, Help, Refuse };

struct TCommandLine
{
    TCommand Command = TCommand::Run;
    QString Refusal; // the one-line message for a refused command line

    TCommandLine(int argc, char** argv);
};

// The usage text of "--help", a few lines ending in a line break.
QString UsageText();

// While alive, standard error goes to /dev/null: what Qt and the engine report on the way to a version
// (a missing runtime directory, the graphics, the engine's set-up) is noise for a version query.
class TQuietStandardError
{
public:
    TQuietStandardError();
    ~TQuietStandardError();
    TQuietStandardError(const TQuietStandardError&) = delete;
    TQuietStandardError& operator=(const TQuietStandardError&) = delete;

private:
    int FSaved = -1;
};

// One line naming the program's version and the Qt, Qt WebEngine and Chromium versions it runs on.
// Needs the application object; on Qt WebEngine before 6.6, which cannot tell its Chromium version
// directly, it starts the engine to read it from the engine's own user agent.
QString VersionLine();
