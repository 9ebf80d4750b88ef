// OpenInBrowser against private XDG configurations whose text/html handler is a recording script.
// GLib reads the XDG variables once per process, so every call runs in a child process of its own.
#include "TestDir.h"
#include "core/UUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <cerrno>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How a child reports its call's result.
enum TChildResult { crFalse = 10, crTrue = 11, crTrueButChildLeft = 12 };

// A directory tree for the XDG variables, with the recording handler "rec.desktop" installed but not
// yet registered for text/html: each case registers it in its own way.
class TXdgSandbox
{
public:
    TXdgSandbox()
    {
        for (const char* dir : {"config", "configdirs", "data/applications", "datadirs/applications"})
            std::filesystem::create_directories(FDir.File(dir));
        const std::string script = FDir.File("record.sh");
        WriteFileBytes(script,
                       "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> \"" + Log() + "\"\n");
        ::chmod(script.c_str(), 0755);
        InstallHandler("rec.desktop", script + " --new-window %u");
    }

    std::string File(const std::string& name) const { return FDir.File(name); }
    std::string Log() const { return FDir.File("args.log"); }

    void InstallHandler(const std::string& desktopId, const std::string& exec, const std::string& extra = "")
    {
        WriteFileBytes(FDir.File("data/applications/" + desktopId),
                       "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + exec + "\n" + extra);
    }

    // Calls OpenInBrowser(address) in a child process that sees this tree as its XDG directories.
    TChildResult Open(const std::string& address, const std::string& desktop = "") const
    {
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("XDG_CONFIG_HOME", FDir.File("config").c_str(), 1);
            ::setenv("XDG_CONFIG_DIRS", FDir.File("configdirs").c_str(), 1);
            ::setenv("XDG_DATA_HOME", FDir.File("data").c_str(), 1);
            ::setenv("XDG_DATA_DIRS", FDir.File("datadirs").c_str(), 1);
            ::setenv("XDG_CURRENT_DESKTOP", desktop.c_str(), 1);
            const bool opened = OpenInBrowser(address);
            errno = 0;
            const bool childLeft = ::waitpid(-1, nullptr, WNOHANG) != -1 || errno != ECHILD;
            ::_exit(!opened ? crFalse : childLeft ? crTrueButChildLeft : crTrue);
        }
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(status) ? static_cast<TChildResult>(WEXITSTATUS(status)) : crFalse;
    }

    // The recorded argument lines once `last` has arrived (the handler runs detached); what arrived
    // until then if it never does.
    std::string WaitForLogEndingWith(const std::string& last) const
    {
        std::string log;
        for (int i = 0; i < 500; ++i) {
            log = ReadFileBytes(Log());
            if (log.size() >= last.size() && log.compare(log.size() - last.size(), last.size(), last) == 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return log;
    }

private:
    TTestDir FDir;
};

TEST(OpenInBrowser, HandsTheAddressUnchangedAsOneArgumentAndLeavesNoChild)
{
    TXdgSandbox xdg;
    WriteFileBytes(xdg.File("config/mimeapps.list"),
                   "[Default Applications]\ntext/html=missing.desktop;rec.desktop;\n");
    const std::string address = "http://example.com/a b?x=1&y=%20\"q\"$(id)";
    EXPECT_EQ(xdg.Open(address), crTrue);
    const std::string expected = "--new-window\n" + address + "\n";
    EXPECT_EQ(xdg.WaitForLogEndingWith(expected), expected);
}

// Where the desktop registers its browser: the XDG lookup as a whole, not only the default list.
TEST(OpenInBrowser, FindsTheHandlerWhereverTheDesktopRegistersIt)
{
    struct TCase
    {
        const char* Name;
        std::vector<std::pair<std::string, std::string>> Files; // path in the tree, content
        std::string Desktop;                                    // XDG_CURRENT_DESKTOP
        bool Found;
    };
    const std::string mimeType = "MimeType=text/html;\n";
    const TCase cases[] = {
        {"default in the user's list",
         {{"config/mimeapps.list", "[Default Applications]\ntext/html=rec.desktop\n"}},
         "",
         true},
        {"default in a system list",
         {{"configdirs/mimeapps.list", "[Default Applications]\ntext/html=rec.desktop\n"}},
         "",
         true},
        {"added association only",
         {{"config/mimeapps.list", "[Added Associations]\ntext/html=rec.desktop;\n"}},
         "",
         true},
        {"desktop file's MIME type and mimeinfo.cache only",
         {{"data/applications/rec.desktop", ""},
          {"data/applications/mimeinfo.cache", "[MIME Cache]\ntext/html=rec.desktop;\n"}},
         "",
         true},
        {"desktop-specific default over the common one",
         {{"config/mimeapps.list", "[Default Applications]\ntext/html=decoy.desktop\n"},
          {"config/testde-mimeapps.list", "[Default Applications]\ntext/html=rec.desktop\n"}},
         "TestDE",
         true},
        {"not registered at all", {}, "", false},
        {"registered for another type",
         {{"config/mimeapps.list", "[Default Applications]\ntext/plain=rec.desktop\n"}},
         "",
         false},
        {"association removed",
         {{"data/applications/rec.desktop", ""},
          {"config/mimeapps.list", "[Removed Associations]\ntext/html=rec.desktop;\n"}},
         "",
         false},
        {"default entry whose desktop file is missing",
         {{"config/mimeapps.list", "[Default Applications]\ntext/html=absent.desktop\n"}},
         "",
         false},
    };
    for (const TCase& c : cases) {
        TXdgSandbox xdg;
        xdg.InstallHandler("decoy.desktop", "/bin/true %u");
        for (const auto& [path, content] : c.Files)
            if (path == "data/applications/rec.desktop")
                xdg.InstallHandler("rec.desktop", xdg.File("record.sh") + " --new-window %u", mimeType);
            else
                WriteFileBytes(xdg.File(path), content);
        const std::string address = "https://threadwick.example/help";
        EXPECT_EQ(xdg.Open(address, c.Desktop), c.Found ? crTrue : crFalse) << c.Name;
        if (c.Found) {
            EXPECT_EQ(xdg.WaitForLogEndingWith(address + "\n"), "--new-window\n" + address + "\n") << c.Name;
        }
    }
}

TEST(OpenInBrowser, AFailedStartStillCountsAsStarted)
{
    TXdgSandbox xdg;
    // The program exists, but its interpreter does not: the start itself fails.
    const std::string broken = xdg.File("broken.sh");
    WriteFileBytes(broken, "#!/nonexistent/interpreter\n");
    ::chmod(broken.c_str(), 0755);
    xdg.InstallHandler("rec.desktop", broken + " %u");
    WriteFileBytes(xdg.File("config/mimeapps.list"), "[Default Applications]\ntext/html=rec.desktop\n");
    EXPECT_EQ(xdg.Open("http://a/"), crTrue);
}

// Addresses come from dbconfig.dat, which anyone may hand a user: only web and file addresses leave
// the program, and nothing in one can become an option or a command.
TEST(OpenInBrowser, OpensOnlyWebAndFileAddresses)
{
    struct TCase
    {
        std::string Address;
        bool Openable;
    };
    const TCase cases[] = {
        {"http://a/", true},
        {"HTTPS://Forum.example/x?y#z", true},
        {"http://host", true},
        {"file:///opt/threadwick/help.html", true},
        {"File:/tmp/x.html", true},
        {"", false},
        {"--renderer-cmd-prefix=touch /tmp/owned", false},
        {"-http://a/", false},
        {"$(id)", false},
        {"javascript:alert(1)", false},
        {"mailto:someone@example.com", false},
        {"www.example.com", false},
        {"help.html", false},
        {"http:/a", false},
        {"http://", false},
        {"http:///etc/passwd", false},
        {" http://a/", false},
        {"http://a/\n--flag", false},
        {"http://a/\tb", false},
        {std::string("http://a/\0b", 11), false},
        {"http://a/\x7f", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(IsOpenableAddress(c.Address), c.Openable) << c.Address;

    // A refused address starts nothing although a handler is registered: the one start recorded is
    // the openable address that follows the refused ones.
    TXdgSandbox xdg;
    WriteFileBytes(xdg.File("config/mimeapps.list"), "[Default Applications]\ntext/html=rec.desktop\n");
    for (const TCase& c : cases)
        if (!c.Openable) {
            EXPECT_EQ(xdg.Open(c.Address), crFalse) << c.Address;
        }
    EXPECT_EQ(xdg.Open("http://last/"), crTrue);
    EXPECT_EQ(xdg.WaitForLogEndingWith("http://last/\n"), "--new-window\nhttp://last/\n");
}

} // namespace
