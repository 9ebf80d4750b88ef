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

// Addresses come from dbconfig.dat, which anyone may hand a user: what could run code or become an
// option is refused, a mail address goes to the mail program, a host name without a scheme to the
// browser as an http address, and a file address only when it names an existing HTML file.
TEST(OpenInBrowser, RefusesWhatIsDangerousAndOpensTheRestWithTheRightProgram)
{
    TTestDir files;
    WriteFileBytes(files.File("help.html"), "<p>help</p>");
    WriteFileBytes(files.File("page.HTM"), "<p>page</p>");
    WriteFileBytes(files.File("run.sh"), "#!/bin/sh\n");
    WriteFileBytes(files.File("app.desktop"), "[Desktop Entry]\n");
    std::filesystem::create_symlink(files.File("run.sh"), files.File("link.html"));
    std::filesystem::create_directory(files.File("folder.html"));
    const std::string dir = "file://" + files.Path();

    constexpr TOutsideKind Refused = TOutsideKind::Refused, Web = TOutsideKind::Web,
                           Mail = TOutsideKind::Mail;
    struct TCase
    {
        std::string Address;
        TOutsideKind Kind;
        std::string HandedOn; // empty: the address unchanged
    };
    const TCase cases[] = {
        {"http://a/", Web, ""},
        {"HTTPS://Forum.example/x?y#z", Web, ""},
        {"http://host", Web, ""},
        {"http://forum.example/a b", Web, ""},
        {dir + "help.html", Web, ""},
        {"File:" + files.Path() + "page.HTM", Web, ""},
        {"file://localhost" + files.Path() + "help.html", Web, ""},
        {"mailto:sales@sponsor.example", Mail, ""},
        {"MAILTO:a@b.c?subject=Hi", Mail, ""},
        {"www.sponsor.com", Web, "http://www.sponsor.com"},
        {"www.intranet", Web, "http://www.intranet"},
        {"sponsor.com/offer?x=1#top", Web, "http://sponsor.com/offer?x=1#top"},
        {"Sponsor.DE:8080", Web, "http://Sponsor.DE:8080"},
        {"127.0.0.1/x", Web, "http://127.0.0.1/x"},
        {"", Refused, ""},
        {"--renderer-cmd-prefix=touch /tmp/owned", Refused, ""},
        {"-http://a/", Refused, ""},
        {" http://a/", Refused, ""},
        {"\twww.sponsor.com", Refused, ""},
        {"$(id)", Refused, ""},
        {"javascript:alert(1)", Refused, ""},
        {"JavaScript:alert(1)", Refused, ""},
        {"data:text/html,<script>alert(1)</script>", Refused, ""},
        {"vbscript:msgbox", Refused, ""},
        {"smb://server/share", Refused, ""},
        {"mailto:", Refused, ""},
        {dir + "missing.html", Refused, ""},
        {dir + "run.sh", Refused, ""},
        {dir + "app.desktop", Refused, ""},
        {dir + "link.html", Refused, ""},   // leads to a script
        {dir + "folder.html", Refused, ""}, // a directory
        {"file://server/share/help.html", Refused, ""},
        {"help.html", Refused, ""},
        {"notes.txt", Refused, ""},
        {"sponsor.com:evil", Refused, ""},
        {"user@sponsor.com", Refused, ""},
        {"-sponsor.com", Refused, ""},
        {"http:/a", Refused, ""},
        {"http://", Refused, ""},
        {"http:///etc/passwd", Refused, ""},
        {"http://a/\n--flag", Refused, ""},
        {"http://a/\tb", Refused, ""},
        {std::string("http://a/\0b", 11), Refused, ""},
        {"http://a/\x7f", Refused, ""},
        {"mailto:a@b.c\r\nBcc: x@y.z", Refused, ""},
    };
    for (const TCase& c : cases) {
        const TOutsideAddress outside = OutsideAddress(c.Address);
        EXPECT_EQ(outside.Kind, c.Kind) << c.Address;
        if (c.Kind != Refused) {
            EXPECT_EQ(outside.Address, c.HandedOn.empty() ? c.Address : c.HandedOn) << c.Address;
        }
    }

    // A refused address starts nothing although both handlers are registered; the others start the
    // program for their kind, in order.
    TXdgSandbox xdg;
    xdg.InstallHandler("mail.desktop", xdg.File("record.sh") + " --compose %u");
    WriteFileBytes(xdg.File("config/mimeapps.list"),
                   "[Default Applications]\ntext/html=rec.desktop\nx-scheme-handler/mailto=mail.desktop\n");
    for (const TCase& c : cases)
        if (c.Kind == Refused) {
            EXPECT_EQ(xdg.Open(c.Address), crFalse) << c.Address;
        }
    EXPECT_EQ(xdg.Open("mailto:sales@sponsor.example"), crTrue);
    EXPECT_EQ(xdg.WaitForLogEndingWith("mailto:sales@sponsor.example\n"),
              "--compose\nmailto:sales@sponsor.example\n");
    EXPECT_EQ(xdg.Open("www.sponsor.com"), crTrue);
    EXPECT_EQ(xdg.WaitForLogEndingWith("http://www.sponsor.com\n"),
              "--compose\nmailto:sales@sponsor.example\n--new-window\nhttp://www.sponsor.com\n");
}

} // namespace
