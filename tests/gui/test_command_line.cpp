// The program's command line, run as a user runs it: "--version", "--help" and anything else.
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, AnswersVersionAndHelpAndRefusesEverythingElse)
{
    struct TCase
    {
        QStringList Arguments;
        int ExitCode;
        QString Stdout; // a pattern the whole of standard output must match
        QString Stderr; // a pattern the whole of standard error must match; empty: not checked
    };
    const TCase cases[] = {
        {{"--version"},
         0,
         R"(Threadwick \d+\.\d+\.\d+ \(Qt 6\.\d+\.\d+, Qt WebEngine 6\.\d+\.\d+, Chromium \d+\.\d+\.\d+\.\d+\)\n)",
         "^$"},
        {{"--help"},
         0,
         R"(Usage: Threadwick \[--version \| --help\]\n(.+\n){2,6}.*QTWEBENGINE_CHROMIUM_FLAGS.*\n)",
         "^$"},
        {{"--bogus"}, 2, "", R"(Threadwick: unknown argument "--bogus"; see "Threadwick --help"\.\n)"},
        {{"forum.html"}, 2, "", R"(Threadwick: unknown argument "forum\.html"; see "Threadwick --help"\.\n)"},
        {{"--version", "--help"},
         2,
         "",
         R"(Threadwick: takes at most one argument; see "Threadwick --help"\.\n)"},
        {{"-platform", "offscreen"}, 2, "", R"(Threadwick: takes at most one argument; .*\n)"},
    };
    for (const TCase& c : cases) {
        QProcess program;
        // As a user's desktop session runs it: a display set (none answers there, and none is needed),
        // and no runtime directory, which Qt would warn about.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(THREADWICK_EXECUTABLE), c.Arguments);
        ASSERT_TRUE(program.waitForFinished(60000)) << c.Arguments.join(' ').toStdString();
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        const std::string name = c.Arguments.join(' ').toStdString();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << name;
        EXPECT_EQ(program.exitCode(), c.ExitCode) << name << "\n" << err.toStdString();
        EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(c.Stdout),
                                       QRegularExpression::DotMatchesEverythingOption)
                        .match(out)
                        .hasMatch())
            << name << ": " << out.toStdString();
        if (!c.Stderr.isEmpty()) {
            EXPECT_TRUE(
                QRegularExpression(QRegularExpression::anchoredPattern(c.Stderr)).match(err).hasMatch())
                << name << ": " << err.toStdString();
        }
    }
}

} // namespace
