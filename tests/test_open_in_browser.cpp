// OpenInBrowser against a private XDG configuration whose text/html handler is a recording script.
#include "TestDir.h"
#include "core/UUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <cerrno>

#include <sys/stat.h>
#include <sys/wait.h>

namespace {

// Points every XDG variable at a fresh directory tree for the life of the object.
class TXdgSandbox
{
public:
    TXdgSandbox()
    {
        for (const char* dir : {"config", "configdirs", "data/applications", "datadirs/applications"})
            std::filesystem::create_directories(FDir.File(dir));
        Set("XDG_CONFIG_HOME", FDir.File("config"));
        Set("XDG_CONFIG_DIRS", FDir.File("configdirs"));
        Set("XDG_DATA_HOME", FDir.File("data"));
        Set("XDG_DATA_DIRS", FDir.File("datadirs"));
        Set("XDG_CURRENT_DESKTOP", "");
    }
    ~TXdgSandbox()
    {
        for (auto& [name, value] : FSaved)
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
    }

    std::string File(const std::string& name) const { return FDir.File(name); }

    // A handler "recorder.desktop" whose script writes each argument on a line of its own to `log`.
    void InstallRecorder(const std::string& execArgs, const std::string& listDir = "config")
    {
        const std::string script = FDir.File("record.sh");
        WriteFileBytes(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + Log() +
                                   ".tmp\"\nmv \"" + Log() + ".tmp\" \"" + Log() + "\"\n");
        ::chmod(script.c_str(), 0755);
        WriteFileBytes(FDir.File("data/applications/recorder.desktop"),
                       "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + script + " " + execArgs +
                           "\n");
        WriteFileBytes(FDir.File(listDir + "/mimeapps.list"),
                       "[Default Applications]\ntext/html=missing.desktop;recorder.desktop;\n");
    }
    std::string Log() const { return FDir.File("args.log"); }

    // The recorded lines, once the detached script has written them (empty if it never does).
    std::string WaitForLog() const
    {
        for (int i = 0; i < 500 && !std::filesystem::exists(Log()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return ReadFileBytes(Log());
    }

private:
    void Set(const std::string& name, const std::string& value)
    {
        const char* old = std::getenv(name.c_str());
        FSaved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    TTestDir FDir;
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

TEST(OpenInBrowser, HandsTheAddressUnchangedAsOneArgument)
{
    TXdgSandbox xdg;
    xdg.InstallRecorder("--new-window %u");
    const std::string address = "http://example.com/a b?x=1&y=%20\"q\"";
    EXPECT_TRUE(OpenInBrowser(address));
    EXPECT_EQ(xdg.WaitForLog(), "--new-window\n" + address + "\n");
    // Started detached: no child of ours is left to reap.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(OpenInBrowser, FindsTheHandlerInLaterListsToo)
{
    TXdgSandbox xdg;
    xdg.InstallRecorder("%U", "datadirs/applications");
    EXPECT_TRUE(OpenInBrowser("https://threadwick.example/"));
    EXPECT_EQ(xdg.WaitForLog(), "https://threadwick.example/\n");
}

TEST(OpenInBrowser, WithoutAHandlerStartsNothing)
{
    struct TCase
    {
        const char* Name;
        std::string List;    // the mimeapps.list content
        std::string Desktop; // the content of recorder.desktop
    };
    const TCase cases[] = {
        {"no list", "", "[Desktop Entry]\nExec=/bin/true\n"},
        {"no text/html entry", "[Default Applications]\ntext/plain=recorder.desktop\n",
         "[Desktop Entry]\nExec=/bin/true\n"},
        {"entry in another group", "[Added Associations]\ntext/html=recorder.desktop\n",
         "[Desktop Entry]\nExec=/bin/true\n"},
        {"desktop file missing", "[Default Applications]\ntext/html=absent.desktop\n", ""},
        {"no Exec line", "[Default Applications]\ntext/html=recorder.desktop\n", "[Desktop Entry]\nName=x\n"},
        {"hidden entry", "[Default Applications]\ntext/html=recorder.desktop\n",
         "[Desktop Entry]\nExec=/bin/true\nHidden=true\n"},
    };
    for (const TCase& c : cases) {
        TXdgSandbox xdg;
        if (!c.List.empty())
            WriteFileBytes(xdg.File("config/mimeapps.list"), c.List);
        if (!c.Desktop.empty())
            WriteFileBytes(xdg.File("data/applications/recorder.desktop"), c.Desktop);
        EXPECT_TRUE(HtmlHandlerCommand("http://a/").empty()) << c.Name;
        EXPECT_FALSE(OpenInBrowser("http://a/")) << c.Name;
    }
}

TEST(OpenInBrowser, AMissingProgramStillCountsAsStarted)
{
    TXdgSandbox xdg;
    WriteFileBytes(xdg.File("data/applications/gone.desktop"),
                   "[Desktop Entry]\nExec=/nonexistent/browser %u\n");
    WriteFileBytes(xdg.File("config/mimeapps.list"), "[Default Applications]\ntext/html=gone.desktop\n");
    EXPECT_TRUE(OpenInBrowser("http://a/"));
}

TEST(HtmlHandlerCommand, ExpandsTheExecLine)
{
    using TArgs = std::vector<std::string>;
    struct TCase
    {
        std::string Exec;
        TArgs Args;
    };
    const std::string a = "http://x.example/p q";
    const TCase cases[] = {
        {"browser %u", {"browser", a}},
        {"browser %U", {"browser", a}},
        {"browser %f", {"browser", a}},
        {"browser %F --flag", {"browser", a, "--flag"}},
        {"browser", {"browser", a}},
        {"browser --url=%u", {"browser", "--url=" + a}},
        {"browser %i %c %k %u", {"browser", a}},
        {"browser 100%% %u", {"browser", "100%", a}},
        {"\"/opt/My Browser/run\" %u", {"/opt/My Browser/run", a}},
        {"run \"say \\\"hi\\\"\" %u", {"run", "say \"hi\"", a}},
        {"run \"\" %u", {"run", "", a}},
        {"run\\s--space %u", {"run", "--space", a}},
        {"browser %u %U", {"browser", a}},
    };
    for (const TCase& c : cases) {
        TXdgSandbox xdg;
        WriteFileBytes(xdg.File("data/applications/b.desktop"), "[Desktop Entry]\nExec=" + c.Exec + "\n");
        WriteFileBytes(xdg.File("config/mimeapps.list"), "[Default Applications]\ntext/html=b.desktop\n");
        EXPECT_EQ(HtmlHandlerCommand(a), c.Args) << c.Exec;
    }
}

} // namespace
