// Utility routines: SplitFields, the e-mail address scanner and OpenInBrowser.
#include "core/UUtils.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

void SplitFields(char separator, const std::string& line, std::vector<std::string>& fields)
{
    fields.clear();
    std::size_t start = 0;
    for (std::size_t pos = line.find(separator); pos != std::string::npos;
         pos = line.find(separator, start)) {
        fields.emplace_back(line, start, pos - start);
        start = pos + 1;
    }
    if (start < line.size())
        fields.emplace_back(line, start);
}

namespace {

// Character classes of the address pattern: the part before "@" also allows '.', the domain does not.
enum : unsigned char { cDomain = 1, cLocal = 2 };

constexpr std::array<unsigned char, 256> MakeEmailClasses()
{
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                    c == '-';
        if (word)
            classes[c] = cDomain | cLocal;
    }
    classes['.'] = cLocal;
    return classes;
}
constexpr auto EmailClasses = MakeEmailClasses();

bool Is(char c, unsigned char kind)
{
    return (EmailClasses[static_cast<unsigned char>(c)] & kind) != 0;
}

} // namespace

// "@" is in neither class, so for an "@" the only possible start is the beginning of the run of local
// characters right before it (bounded by `from`), and every start inside that run ends the local part at
// the same "@". The domain that a greedy match takes is fixed as well: the whole run of domain characters,
// then as many "." + non-empty run groups as follow. When an "@" fails, no start before it can succeed,
// so the search goes on with the next "@". Each character is looked at a bounded number of times:
// backward runs stop at the previous "@", forward runs stop at the next one.
TTextSpan FindEmail(std::string_view text, std::size_t from)
{
    const std::size_t size = text.size();
    for (std::size_t at = text.find('@', from); at != std::string_view::npos; at = text.find('@', at + 1)) {
        std::size_t start = at;
        while (start > from && Is(text[start - 1], cLocal))
            --start;
        if (start == at)
            continue;

        std::size_t end = at + 1;
        while (end < size && Is(text[end], cDomain))
            ++end;
        if (end == at + 1)
            continue;
        int groups = 0;
        while (end + 1 < size && text[end] == '.' && Is(text[end + 1], cDomain)) {
            end += 2;
            while (end < size && Is(text[end], cDomain))
                ++end;
            ++groups;
        }
        if (groups > 0)
            return {start, end - start};
    }
    return {size, 0};
}

std::vector<std::string> ExtractEmails(const std::string& text)
{
    std::vector<std::string> emails;
    for (TTextSpan found = FindEmail(text, 0); found.Len != 0; found = FindEmail(text, found.Pos + found.Len))
        emails.emplace_back(text, found.Pos, found.Len);
    return emails;
}

// OpenInBrowser. The registered HTML handler is the first installed desktop entry that the XDG
// mimeapps.list files name as the default application for text/html, searched in the order of the
// XDG "MIME Applications Associations" rules; its Exec line gives the program and its arguments.
namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// An XDG base directory variable, or its fallback when unset, empty or not absolute.
std::string BaseDir(const char* name, const std::string& fallback)
{
    const std::string value = Env(name);
    return !value.empty() && value.front() == '/' ? value : fallback;
}

std::vector<std::string> BaseDirList(const char* name, const std::string& fallback)
{
    std::vector<std::string> dirs;
    std::vector<std::string> pieces;
    std::string value = Env(name);
    SplitFields(':', value.empty() ? fallback : value, pieces);
    for (const std::string& dir : pieces)
        if (!dir.empty() && dir.front() == '/')
            dirs.push_back(dir);
    return dirs;
}

std::string Joined(std::string dir, const std::string& name)
{
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir + name;
}

bool IsRegularFile(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The value of `key` in group `group` of a desktop-entry style file (mimeapps.list, *.desktop). Group and
// key names match exactly, as the desktop-entry format wants; the first occurrence wins.
std::string DesktopValue(const std::string& path, std::string_view group, std::string_view key)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    bool inGroup = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line.size() == group.size() + 2 && line.back() == ']' &&
                      std::string_view(line).substr(1, group.size()) == group;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inGroup || eq == std::string::npos)
            continue;
        std::size_t keyEnd = eq;
        while (keyEnd > 0 && (line[keyEnd - 1] == ' ' || line[keyEnd - 1] == '\t'))
            --keyEnd;
        if (std::string_view(line).substr(0, keyEnd) != key)
            continue;
        std::size_t valueStart = eq + 1;
        while (valueStart < line.size() && (line[valueStart] == ' ' || line[valueStart] == '\t'))
            ++valueStart;
        return line.substr(valueStart);
    }
    return {};
}

// Undoes the escapes of a desktop-entry string value (\s \n \t \r \\); other escapes are kept as
// written, for the Exec quoting rules to deal with.
std::string UnescapeValue(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += next;
            break;
        }
    }
    return out;
}

// Splits an Exec line into arguments and puts the address in place of its file or URL field code
// (%u %U %f %F; appended when there is none). "%%" is a percent sign; every other field code is dropped,
// and an argument that was nothing but a dropped code goes with it.
std::vector<std::string> ExpandExec(const std::string& exec, const std::string& address)
{
    struct TWord
    {
        std::string Text;
        bool Quoted = false;
    };
    std::vector<TWord> words;
    bool inWord = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            inWord = false;
            continue;
        }
        if (!inWord) {
            words.emplace_back();
            inWord = true;
        }
        if (c != '"') {
            words.back().Text += c;
            continue;
        }
        // A quoted stretch keeps its blanks; \" \` \$ \\ stand for the character after the backslash.
        words.back().Quoted = true;
        for (++i; i < exec.size() && exec[i] != '"'; ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size())
                ++i;
            words.back().Text += exec[i];
        }
    }

    std::vector<std::string> args;
    bool addressPlaced = false;
    for (const TWord& word : words) {
        std::string arg;
        bool dropped = false;
        for (std::size_t i = 0; i < word.Text.size(); ++i) {
            if (word.Text[i] != '%' || i + 1 == word.Text.size()) {
                arg += word.Text[i];
                continue;
            }
            const char code = word.Text[++i];
            if (code == '%') {
                arg += '%';
            } else if (code == 'u' || code == 'U' || code == 'f' || code == 'F') {
                // The address goes in once; a second file or URL code is dropped.
                if (addressPlaced)
                    dropped = true;
                else
                    arg += address;
                addressPlaced = true;
            } else {
                dropped = true;
            }
        }
        if (!arg.empty() || word.Quoted || !dropped)
            args.push_back(arg);
    }
    if (!args.empty() && !addressPlaced)
        args.push_back(address);
    return args;
}

// The Exec line of an installed, visible application entry with the given desktop file ID, or "".
std::string InstalledExec(const std::string& desktopId, const std::vector<std::string>& applicationDirs)
{
    if (desktopId.empty() || desktopId.find('/') != std::string::npos)
        return {};
    // An ID "vendor-app.desktop" may also stand for the file vendor/app.desktop.
    std::vector<std::string> names{desktopId};
    for (std::size_t dash = desktopId.find('-'); dash != std::string::npos;
         dash = desktopId.find('-', dash + 1)) {
        std::string name = desktopId;
        name[dash] = '/';
        names.push_back(name);
    }
    for (const std::string& dir : applicationDirs)
        for (const std::string& name : names) {
            const std::string path = Joined(dir, name);
            if (!IsRegularFile(path))
                continue;
            if (DesktopValue(path, "Desktop Entry", "Hidden") == "true")
                return {};
            return UnescapeValue(DesktopValue(path, "Desktop Entry", "Exec"));
        }
    return {};
}

// The files to search, most important first, with desktop-specific lists before the general ones.
std::vector<std::string> MimeAppsLists()
{
    std::vector<std::string> prefixes;
    std::vector<std::string> desktops;
    SplitFields(':', Env("XDG_CURRENT_DESKTOP"), desktops);
    for (std::string desktop : desktops) {
        if (desktop.empty())
            continue;
        for (char& c : desktop)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        prefixes.push_back(desktop + "-");
    }
    prefixes.emplace_back();

    const std::string home = Env("HOME");
    std::vector<std::string> dirs{BaseDir("XDG_CONFIG_HOME", home + "/.config")};
    for (const std::string& dir : BaseDirList("XDG_CONFIG_DIRS", "/etc/xdg"))
        dirs.push_back(dir);
    dirs.push_back(Joined(BaseDir("XDG_DATA_HOME", home + "/.local/share"), "applications"));
    for (const std::string& dir : BaseDirList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        dirs.push_back(Joined(dir, "applications"));

    std::vector<std::string> lists;
    for (const std::string& dir : dirs)
        for (const std::string& prefix : prefixes)
            lists.push_back(Joined(dir, prefix + "mimeapps.list"));
    return lists;
}

std::string HtmlHandlerExec()
{
    std::vector<std::string> applicationDirs{
        Joined(BaseDir("XDG_DATA_HOME", Env("HOME") + "/.local/share"), "applications")};
    for (const std::string& dir : BaseDirList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        applicationDirs.push_back(Joined(dir, "applications"));

    std::vector<std::string> ids;
    for (const std::string& list : MimeAppsLists()) {
        SplitFields(';', DesktopValue(list, "Default Applications", "text/html"), ids);
        for (const std::string& id : ids) {
            const std::string exec = InstalledExec(id, applicationDirs);
            if (!exec.empty())
                return exec;
        }
    }
    return {};
}

// The program file execv should run: a name with a slash as it is, otherwise the first executable of
// that name on PATH. Searched before forking, since the child may only make async-signal-safe calls.
std::string ResolveProgram(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return program;
    std::vector<std::string> dirs;
    SplitFields(':', Env("PATH"), dirs);
    for (const std::string& dir : dirs) {
        const std::string path = Joined(dir.empty() ? "." : dir, program);
        if (IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

// Starts the program detached: a short-lived child starts it in a session of its own and exits at once,
// so the program is adopted by init and never becomes a zombie of ours. Its outcome is not awaited.
void StartDetached(const std::vector<std::string>& command)
{
    const std::string program = ResolveProgram(command.front());
    if (program.empty())
        return;
    std::vector<char*> argv;
    for (const std::string& arg : command)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        return;
    if (child == 0) {
        ::setsid();
        if (::fork() == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, STDIN_FILENO);
                ::dup2(null, STDOUT_FILENO);
                ::dup2(null, STDERR_FILENO);
            }
            ::close_range(3, ~0U, 0);
            // Dispositions the program set for itself must not leak into the browser.
            struct sigaction defaults = {};
            defaults.sa_handler = SIG_DFL;
            ::sigaction(SIGPIPE, &defaults, nullptr);
            ::sigaction(SIGXFSZ, &defaults, nullptr);
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::_exit(0);
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

std::vector<std::string> HtmlHandlerCommand(const std::string& address)
{
    const std::string exec = HtmlHandlerExec();
    return exec.empty() ? std::vector<std::string>{} : ExpandExec(exec, address);
}

bool OpenInBrowser(const std::string& address)
{
    const std::vector<std::string> command = HtmlHandlerCommand(address);
    if (command.empty())
        return false;
    StartDetached(command);
    return true;
}
