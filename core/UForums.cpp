// Record stores: the caret record file format (reading, writing, field escaping) and the atomic
// replacement of a store's file.
//
// File format: a header line, then one record per line, each field followed by '^'. Lines are written
// with CR LF and read up to CR LF, a lone CR or a lone LF; a NUL byte ends the text. Inside a field the
// bytes that the format cannot hold are escaped with 0x10 (DLE): 0x10 -> 0x10 0x10, '^' -> 0x10 'c',
// CR -> 0x10 'r', LF -> 0x10 'n', NUL -> 0x10 '0'. Files whose fields hold none of these bytes are
// therefore read and written exactly as before escaping existed.
#include "core/UForums.h"

#include "core/UErrors.h"
#include "core/UUtils.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// How each record class sits in its file.
template <class TRecord> struct TLayout;

template <> struct TLayout<TForum>
{
    static constexpr const char* FileName = "Forums.dat";
    static constexpr std::string_view Header = "URL^Username^Password^";
    static constexpr std::array Fields{&TForum::URL, &TForum::Username, &TForum::Password};
    // Passwords are stored in plain text: nobody but the owner may read the file.
    static constexpr bool OwnerOnly = true;
    static constexpr bool Guarded = true;
    static constexpr bool Merges = false;
};

template <> struct TLayout<TFMessage>
{
    static constexpr const char* FileName = "Messages.dat";
    static constexpr std::string_view Header = "Subject^Body^";
    static constexpr std::array Fields{&TFMessage::Subject, &TFMessage::Body};
    static constexpr bool OwnerOnly = false;
    static constexpr bool Guarded = true;
    static constexpr bool Merges = false;
};

template <> struct TLayout<TFormat>
{
    static constexpr const char* FileName = "Formats.dat";
    static constexpr std::string_view Header = "Name^LinkOpen^LinkMiddle^LinkEnd^Email^";
    static constexpr std::array Fields{&TFormat::Name, &TFormat::LinkOpen, &TFormat::LinkMiddle,
                                       &TFormat::LinkEnd, &TFormat::Email};
    static constexpr bool OwnerOnly = false;
    static constexpr bool Guarded = true;
    static constexpr bool Merges = false;
};

template <> struct TLayout<TPost>
{
    static constexpr const char* FileName = "Posts.dat";
    static constexpr std::string_view Header = "Subject^ForumURL^SentAt^ThreadURL^";
    static constexpr std::array Fields{&TPost::Subject, &TPost::ForumURL, &TPost::SentAt, &TPost::ThreadURL};
    static constexpr bool OwnerOnly = false;
    static constexpr bool Guarded = true;
    // A record of what was sent: both sides' posts are kept.
    static constexpr bool Merges = true;
};

template <> struct TLayout<TForumTemplate>
{
    static constexpr const char* FileName = "ForumTemplates.dat";
    static constexpr std::string_view Header = "URL^Template^";
    static constexpr std::array Fields{&TForumTemplate::URL, &TForumTemplate::Template};
    // Forum addresses may hold a user name and password, as in "Forums.dat".
    static constexpr bool OwnerOnly = true;
    static constexpr bool Guarded = true;
    static constexpr bool Merges = false;
};

template <> struct TLayout<TDraftMessage>
{
    static constexpr const char* FileName = "Draft.dat";
    static constexpr std::string_view Header = "Subject^Body^";
    static constexpr std::array Fields{&TDraftMessage::Subject, &TDraftMessage::Body};
    static constexpr bool OwnerOnly = false;
    // Only this program, holding the directory's lock, writes the draft.
    static constexpr bool Guarded = false;
    static constexpr bool Merges = false;
};

// Records compare field by field (merging tells the same post on both sides by it).
template <class TRecord> bool SameRecord(const TRecord& a, const TRecord& b)
{
    for (auto field : TLayout<TRecord>::Fields)
        if (a.*field != b.*field)
            return false;
    return true;
}

constexpr char Separator = '^';
constexpr char EscapeByte = '\x10';

// Byte classes while reading a line.
enum : unsigned char { cPlain = 0, cSeparator = 1, cLineEnd = 2, cEscape = 3 };

constexpr std::array<unsigned char, 256> MakeReadClasses()
{
    std::array<unsigned char, 256> classes{};
    classes[static_cast<unsigned char>(Separator)] = cSeparator;
    classes['\r'] = cLineEnd;
    classes['\n'] = cLineEnd;
    classes[static_cast<unsigned char>(EscapeByte)] = cEscape;
    return classes;
}
constexpr auto ReadClasses = MakeReadClasses();

// For each byte, the letter that follows the escape byte when the byte is written inside a field; 0 when
// the byte is written as it is.
constexpr std::array<char, 256> MakeEscapeCodes()
{
    std::array<char, 256> codes{};
    codes[static_cast<unsigned char>(EscapeByte)] = EscapeByte;
    codes[static_cast<unsigned char>(Separator)] = 'c';
    codes['\r'] = 'r';
    codes['\n'] = 'n';
    codes[0] = '0';
    return codes;
}
constexpr auto EscapeCodes = MakeEscapeCodes();

// Bytes that may need attention: everything up to 0x10 (CR, LF, NUL and the escape byte among them) and
// the separator. The scan below finds the first such byte eight at a time; callers look the byte up in
// their tables and go on when it is harmless (a tab, say).
bool IsCandidate(char c)
{
    return static_cast<unsigned char>(c) <= 0x10 || c == Separator;
}

// Returns the first position at or after p that the caller must classify: every byte before it is
// harmless, and no candidate is skipped (a few harmless bytes may be returned too). base is the start of
// readable memory at or before p: the last word of a short tail is read overlapping bytes before p.
[[gnu::always_inline]] inline const char* FindCandidate(const char* p, const char* end, const char* base)
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t Ones = 0x0101010101010101u;
        constexpr std::uint64_t Highs = 0x8080808080808080u;
        // High bit set in each byte below 0x11 and in each separator. A borrow can only add a mark to
        // the byte above a true one, never hide one, so the lowest mark is at or before the first
        // candidate.
        auto marks = [](const char* at) {
            std::uint64_t word;
            std::memcpy(&word, at, 8);
            std::uint64_t low = (word - Ones * 0x11) & ~word & Highs;
            std::uint64_t caret = word ^ (Ones * static_cast<unsigned char>(Separator));
            caret = (caret - Ones) & ~caret & Highs;
            return low | caret;
        };
        while (end - p >= 8) {
            if (std::uint64_t found = marks(p))
                return p + (std::countr_zero(found) >> 3);
            p += 8;
        }
        if (p < end && end - base >= 8) {
            const char* last = end - 8;
            std::uint64_t found = marks(last) >> ((p - last) * 8);
            return found ? p + (std::countr_zero(found) >> 3) : end;
        }
    }
    while (p < end && !IsCandidate(*p))
        ++p;
    return p;
}

// A content hash of a file's bytes, fed in pieces of any size: eight bytes at a time, so that hashing
// what a save writes costs little beside the write. It tells a changed file from an unchanged one, and
// is no defence against anyone crafting a collision.
class TContentHash
{
public:
    void Add(const char* data, std::size_t size)
    {
        FLength += size;
        while (size > 0 && FPendingSize > 0) {
            Take(static_cast<unsigned char>(*data++));
            --size;
        }
        for (; size >= 8; data += 8, size -= 8) {
            std::uint64_t word;
            std::memcpy(&word, data, 8);
            Mix(word);
        }
        while (size-- > 0)
            Take(static_cast<unsigned char>(*data++));
    }
    std::uint64_t Value() const
    {
        std::uint64_t h = FHash ^ (FPending * Multiplier) ^ (FLength * 0x9E3779B97F4A7C15u);
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDu;
        return h ^ (h >> 33);
    }

private:
    static constexpr std::uint64_t Multiplier = 0x100000001B3u * 0x9E3779B1u + 1;
    void Mix(std::uint64_t word) { FHash = (std::rotl(FHash, 29) ^ word) * Multiplier; }
    // Collects bytes into a word until eight are there.
    void Take(unsigned char byte)
    {
        FPending |= std::uint64_t(byte) << (8 * FPendingSize);
        if (++FPendingSize == 8) {
            Mix(FPending);
            FPending = 0;
            FPendingSize = 0;
        }
    }

    std::uint64_t FHash = 0xCBF29CE484222325u;
    std::uint64_t FPending = 0;
    std::uint64_t FLength = 0;
    unsigned FPendingSize = 0;
};

// Writes a file's text through one buffer of bounded size: memory stays small however large the store,
// and a small store still goes out in a single write. A failed write raises EWriteError.
class TFileWriter
{
public:
    static constexpr std::size_t MaxBuffer = 256 * 1024;

    TFileWriter(int fd, std::size_t expectedSize)
        : FFd(fd), FCapacity(std::clamp<std::size_t>(expectedSize, 4096, MaxBuffer)),
          FData(std::make_unique_for_overwrite<char[]>(FCapacity))
    {
    }

    void Append(const char* data, std::size_t size)
    {
        if (FCapacity - FSize < size) {
            Flush();
            if (size >= FCapacity) {
                WriteAll(data, size);
                return;
            }
        }
        std::memcpy(FData.get() + FSize, data, size);
        FSize += size;
    }
    void Append(std::string_view text) { Append(text.data(), text.size()); }
    void Put(char c)
    {
        if (FSize == FCapacity)
            Flush();
        FData[FSize++] = c;
    }
    void Flush()
    {
        WriteAll(FData.get(), FSize);
        FSize = 0;
    }
    std::size_t Written() const { return FWritten; }
    std::uint64_t Hash() const { return FHash.Value(); }

private:
    void WriteAll(const char* data, std::size_t size)
    {
        FHash.Add(data, size);
        while (size > 0) {
            ssize_t written = ::write(FFd, data, size);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                throw EWriteError();
            }
            data += written;
            size -= static_cast<std::size_t>(written);
            FWritten += static_cast<std::size_t>(written);
        }
    }

    int FFd;
    std::size_t FCapacity;
    std::unique_ptr<char[]> FData;
    std::size_t FSize = 0;
    std::size_t FWritten = 0;
    TContentHash FHash;
};

// One field of a record line as it stands in the file.
struct TRawField
{
    const char* Data = nullptr;
    std::size_t Size = 0;
    bool Escaped = false; // holds an escape byte, so it must be decoded
};

bool IsBlankLine(const char* begin, const char* end)
{
    return std::all_of(begin, end, [](char c) { return static_cast<unsigned char>(c) <= 32; });
}

// Walks the record lines of a file's text: the header line and blank lines are skipped. Splitting works
// as SplitFields with '^' does, but on positions, so that no line or field is copied before it is decoded
// into its record.
class TCaretReader
{
public:
    TCaretReader(const char* data, std::size_t size) : FBegin(data), FPos(data), FEnd(data + size)
    {
        // The header line is never looked at.
        TRawField none;
        ReadLine(&none, 0);
    }

    // Fills fields[0..count) from the next record line; fields the line does not have are empty.
    bool Next(TRawField* fields, std::size_t count)
    {
        while (FPos < FEnd) {
            const char* line = FPos;
            std::size_t found = ReadLine(fields, count);
            if (IsBlankLine(line, FLineEnd))
                continue;
            std::fill(fields + found, fields + count, TRawField{});
            return true;
        }
        return false;
    }

private:
    // Reads one line from FPos, stores up to `count` fields and returns how many it stored. Leaves FPos
    // after the line's end and FLineEnd at it.
    std::size_t ReadLine(TRawField* fields, std::size_t count)
    {
        std::size_t found = 0;
        const char* fieldStart = FPos;
        bool escaped = false;
        const char* p = FPos;
        for (; (p = FindCandidate(p, FEnd, FBegin)) < FEnd; ++p) {
            unsigned char kind = ReadClasses[static_cast<unsigned char>(*p)];
            if (kind == cPlain)
                continue;
            if (kind == cSeparator) {
                if (found < count)
                    fields[found++] = {fieldStart, static_cast<std::size_t>(p - fieldStart), escaped};
                fieldStart = p + 1;
                escaped = false;
            } else if (kind == cEscape) {
                escaped = true;
            } else {
                break;
            }
        }
        // The text after the last separator is a field too; when empty it equals a missing field.
        if (found < count && p > fieldStart)
            fields[found++] = {fieldStart, static_cast<std::size_t>(p - fieldStart), escaped};
        FLineEnd = p;
        if (p < FEnd)
            p += (*p == '\r' && p + 1 < FEnd && p[1] == '\n') ? 2 : 1;
        FPos = p;
        return found;
    }

    const char* FBegin;
    const char* FPos;
    const char* FEnd;
    const char* FLineEnd = nullptr;
};

void DecodeField(const TRawField& raw, std::string& out)
{
    if (raw.Size == 0) {
        out.clear();
        return;
    }
    if (!raw.Escaped) {
        out.assign(raw.Data, raw.Size);
        return;
    }
    out.clear();
    out.reserve(raw.Size);
    for (std::size_t i = 0; i < raw.Size; ++i) {
        char c = raw.Data[i];
        if (c == EscapeByte && i + 1 < raw.Size) {
            char decoded = 0;
            switch (raw.Data[i + 1]) {
            case EscapeByte:
                decoded = EscapeByte;
                break;
            case 'c':
                decoded = Separator;
                break;
            case 'r':
                decoded = '\r';
                break;
            case 'n':
                decoded = '\n';
                break;
            case '0':
                decoded = '\0';
                break;
            default:
                out += c;
                continue; // not an escape: kept as it stands
            }
            out += decoded;
            ++i;
        } else {
            out += c;
        }
    }
}

void AppendField(TFileWriter& out, const std::string& field)
{
    const char* run = field.data();
    const char* end = field.data() + field.size();
    for (const char* p = run; (p = FindCandidate(p, end, field.data())) < end; ++p) {
        char code = EscapeCodes[static_cast<unsigned char>(*p)];
        if (code == 0)
            continue;
        out.Append(run, static_cast<std::size_t>(p - run));
        out.Put(EscapeByte);
        out.Put(code);
        run = p + 1;
    }
    out.Append(run, static_cast<std::size_t>(end - run));
}

// Mode of a new "Messages.dat", "Formats.dat" or "Posts.dat": its owner writes it, everyone may read
// it, as far as the umask allows (the system applies it when the file is created): a umask of 077
// keeps it to its owner, one of 000 still never makes it writable by others.
constexpr mode_t NewFileMode = 0644;

// Largest store file that is read: far beyond any real store, and small enough that reading it cannot
// exhaust memory.
constexpr std::size_t MaxStoreFileSize = std::size_t(1) << 30;

// Where a write to `path` lands: symbolic links are followed, so that the link stays and its target
// is replaced. A link to a missing file resolves to that file.
std::string ResolveLinks(const std::string& path)
{
    std::string resolved = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(resolved.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        ssize_t length = ::readlink(resolved.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size())
            break;
        target.resize(static_cast<std::size_t>(length));
        if (target.empty())
            break;
        if (target.front() == '/') {
            resolved = target;
        } else {
            std::size_t slash = resolved.rfind('/');
            resolved = (slash == std::string::npos ? std::string() : resolved.substr(0, slash + 1)) + target;
        }
    }
    return resolved;
}

// Whether the user may write the existing file `target`. The rename that replaces a file needs only
// the directory, so a file the user made read-only would be replaced anyway without this check. Root
// may write any file; for root a file that nobody has write permission on counts as read-only.
bool MayWrite(const std::string& target, const struct stat& info)
{
    if (::geteuid() == 0) {
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            errno = EACCES;
            return false;
        }
        return true;
    }
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

std::pair<std::string, std::string> SplitDirectory(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

TDiskState StateOf(const struct stat& info, std::uint64_t hash)
{
    const auto ns = [](const timespec& time) {
        return static_cast<std::uint64_t>(time.tv_sec) * 1000000000u +
               static_cast<std::uint64_t>(time.tv_nsec);
    };
    return {true,
            static_cast<std::uint64_t>(info.st_size),
            ns(info.st_mtim),
            ns(info.st_ctim),
            static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_dev),
            hash};
}

// Removes the temporary files that saves of `target` killed half-way left beside it
// ("<file>.tmp<pid>_<n>"), as long as no running process has that id: a save still under way in
// another copy of the program keeps its file. Files of other names are never touched.
void RemoveLeftovers(const std::string& target)
{
    const auto [directory, name] = SplitDirectory(target);
    const std::string prefix = name + ".tmp";
    DIR* listing = ::opendir(directory.c_str());
    if (!listing)
        return;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(listing)) {
        std::string_view rest(entry->d_name);
        if (!rest.starts_with(prefix))
            continue;
        rest.remove_prefix(prefix.size());
        const std::size_t underscore = rest.find('_');
        if (underscore == std::string_view::npos)
            continue;
        const std::string_view pidText = rest.substr(0, underscore), serialText = rest.substr(underscore + 1);
        const auto allDigits = [](std::string_view text) {
            return !text.empty() && text.size() <= 10 &&
                   std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        };
        if (!allDigits(pidText) || !allDigits(serialText) || pidText.front() == '0')
            continue;
        const long long pid = std::stoll(std::string(pidText));
        if (pid > std::numeric_limits<pid_t>::max() || pid == self)
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(listing), entry->d_name, 0);
    }
    ::closedir(listing);
}

// Makes the rename of a file in `directory` durable; returns 0, or the error code of the failure. A
// directory that cannot be opened for reading (write and search permission only) is flushed with the
// whole file system of `file` instead.
int SyncDirectory(const std::string& directory, const std::string& file)
{
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // Some file systems cannot sync a directory and say so with EINVAL; their renames are as durable
        // as they get.
        const int failure = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
        ::close(fd);
        return failure;
    }
    fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno;
    const int failure = ::syncfs(fd) == 0 ? 0 : errno;
    ::close(fd);
    return failure;
}

// Replaces the file at `path` through a temporary file beside it: writeText fills it, then it is flushed
// to disk and renamed over the old file, and the rename is flushed too. On any failure the old file is
// left whole and the temporary removed. `path` is what messages name. With ownerOnly the file gets mode
// 0600 and must belong to the user if it exists; otherwise an existing file keeps its mode and owner and
// a new one gets NewFileMode less the umask. An existing file the user may not write is not replaced.
// Returns the number of bytes written; `landed` describes the new file once it is in place (also when
// the flush of its directory then fails).
template <class TWriteText>
std::size_t ReplaceFile(const std::string& path, bool ownerOnly, std::size_t expectedSize,
                        TWriteText writeText, TDiskState& landed)
{
    std::string target = ResolveLinks(path);

    struct stat old;
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        throw EFCreateError(path, EISDIR);
    if (exists && !S_ISREG(old.st_mode))
        throw EFCreateError(path, "Not a regular file");
    if (exists && !MayWrite(target, old))
        throw EFCreateError(path, errno);
    // A file of secrets never goes to another user: a link (or a file placed by someone else) would
    // otherwise hand them the passwords when root saves.
    if (exists && ownerOnly && old.st_uid != ::geteuid())
        throw EFCreateError(path, "The file belongs to another user");

    RemoveLeftovers(target);

    static std::atomic<unsigned> serial{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(serial++);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    ownerOnly ? 0600 : NewFileMode);
        if (fd < 0 && (errno != EEXIST || attempt >= 100))
            throw EFCreateError(path, errno);
    }

    std::size_t written = 0;
    try {
        // Mode and owner are set before any byte is written, so the text is never readable by others.
        if (ownerOnly)
            ::fchmod(fd, 0600);
        else if (exists)
            ::fchmod(fd, old.st_mode & 07777);
        if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
            // Only root may give a file away; others keep at least the group where they may. Failing
            // that, the file belongs to whoever saves it, as a newly created file would.
            if (::fchown(fd, old.st_uid, old.st_gid) != 0)
                (void)!::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        }

        TFileWriter writer(fd, expectedSize);
        writeText(writer);
        writer.Flush();
        if (::fsync(fd) != 0)
            throw EWriteError();
        struct stat info;
        if (::fstat(fd, &info) != 0)
            throw EWriteError();
        landed = StateOf(info, writer.Hash());
        int closed = ::close(fd);
        fd = -1;
        if (closed != 0)
            throw EWriteError();
        if (::rename(temporary.c_str(), target.c_str()) != 0)
            throw EFCreateError(path, errno);
        // The rename moves the file's change time; the file as it now stands is the one to compare with.
        if (struct stat renamed; ::stat(target.c_str(), &renamed) == 0 && renamed.st_ino == info.st_ino &&
                                 renamed.st_dev == info.st_dev)
            landed = StateOf(renamed, landed.Hash);
        written = writer.Written();
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    // The new file is in place; it only counts as saved once its name is on disk too. If that fails the
    // text is saved all the same, and the message says so rather than reporting a failed write.
    if (const int failure = SyncDirectory(SplitDirectory(target).first, target))
        throw EFlushError(failure);
    return written;
}

// The store file at `path` as it is now; a directory in its place counts as no file, as for reading.
// A file that cannot be read gets no hash and so never equals one that was read or written.
TDiskState DiskStateNow(const std::string& path, const TDiskState& known)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return {};
    TDiskState now = StateOf(info, 0);
    // Same size, times and file: unchanged. A changed time or file of the same size may still hold the
    // same bytes (a copy, a touch), which the content settles.
    if (known.Exists && now.Size == known.Size && now.ModifiedNs == known.ModifiedNs &&
        now.ChangedNs == known.ChangedNs && now.Inode == known.Inode && now.Device == known.Device) {
        now.Hash = known.Hash;
    } else if (known.Exists && now.Size == known.Size) {
        try {
            if (const std::optional<TFileBytes> bytes = ReadWholeFile(path, MaxStoreFileSize)) {
                TContentHash hash;
                hash.Add(bytes->Data.get(), bytes->Size);
                now.Hash = hash.Value();
            }
        } catch (const std::exception&) {
            now.Hash = ~known.Hash;
        }
    }
    return now;
}

bool SameContent(const TDiskState& a, const TDiskState& b)
{
    return a.Exists == b.Exists && (!a.Exists || (a.Size == b.Size && a.Hash == b.Hash));
}

// "DIR/Forums.conflict-20261210-153000.dat" for "DIR/Forums.dat", in local time; a name already taken
// gets "-2", "-3", ... before ".dat".
std::string ConflictFileFor(const std::string& path)
{
    const auto [directory, name] = SplitDirectory(path);
    const std::size_t dot = name.rfind('.');
    const std::string stem = name.substr(0, dot),
                      extension = dot == std::string::npos ? "" : name.substr(dot);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = directory + "/" + stem + ".conflict-" + stamp;
    std::string candidate = base + extension;
    struct stat info;
    for (int n = 2; ::lstat(candidate.c_str(), &info) == 0; ++n)
        candidate = base + "-" + std::to_string(n) + extension;
    return candidate;
}

std::string JoinPath(const std::string& directory, const char* fileName)
{
    if (directory.empty() || directory.back() == '/')
        return directory + fileName;
    return directory + '/' + fileName;
}

} // namespace

template <class TRecord>
TRecordStore<TRecord>::TRecordStore(const std::string& directory)
    : FPath(JoinPath(directory, TLayout<TRecord>::FileName))
{
}

template <class TRecord> void TRecordStore<TRecord>::CheckIndex(int index, int limit) const
{
    if (index < 0 || index >= limit)
        throw EListError(index);
}

template <class TRecord> TRecord& TRecordStore<TRecord>::RecordAt(int index)
{
    CheckIndex(index, Count());
    return *FEntries[static_cast<std::size_t>(index)];
}

template <class TRecord> const TRecord& TRecordStore<TRecord>::RecordAt(int index) const
{
    CheckIndex(index, Count());
    return *FEntries[static_cast<std::size_t>(index)];
}

template <class TRecord> void TRecordStore<TRecord>::Append(std::unique_ptr<TRecord> record)
{
    InsertAt(Count(), std::move(record));
}

template <class TRecord> void TRecordStore<TRecord>::InsertAt(int position, std::unique_ptr<TRecord> record)
{
    CheckIndex(position, Count() + 1);
    if (!record)
        throw std::invalid_argument("A store cannot hold a null record");
    FEntries.insert(FEntries.begin() + position, std::move(record));
}

template <class TRecord> void TRecordStore<TRecord>::RemoveAt(int index)
{
    CheckIndex(index, Count());
    FEntries.erase(FEntries.begin() + index);
}

template <class TRecord> void TRecordStore<TRecord>::LoadAll()
{
    using Layout = TLayout<TRecord>;
    constexpr std::size_t FieldCount = Layout::Fields.size();

    // Any failure below (an unreadable file, memory running out) must keep SaveAll from overwriting
    // the records that could not be read.
    FLoadState = TLoadState::Unreadable;
    // Looked at before the read: a change made in between shows as a changed time, and the content
    // read then settles it.
    TDiskState disk = DiskStateNow(FPath, {});
    std::optional<TFileBytes> bytes = ReadWholeFile(FPath, MaxStoreFileSize);
    const bool found = bytes.has_value();
    if (found) {
        TContentHash hash;
        hash.Add(bytes->Data.get(), bytes->Size);
        disk.Exists = true;
        disk.Size = bytes->Size;
        disk.Hash = hash.Value();
        // A NUL byte ends the text. Records after it would be lost by the next save, so a file with more
        // than blanks (zero bytes padding a file among them) after its first NUL is loaded up to there
        // and reported, and not overwritten.
        const char* nul = static_cast<const char*>(std::memchr(bytes->Data.get(), 0, bytes->Size));
        std::size_t size = nul ? static_cast<std::size_t>(nul - bytes->Data.get()) : bytes->Size;
        const bool dataAfterNul = nul && !IsBlankLine(nul, bytes->Data.get() + bytes->Size);

        std::vector<std::unique_ptr<TRecord>> loaded;
        TCaretReader reader(bytes->Data.get(), size);
        std::array<TRawField, FieldCount> fields;
        while (reader.Next(fields.data(), FieldCount)) {
            auto record = std::make_unique<TRecord>();
            for (std::size_t k = 0; k < FieldCount; ++k)
                DecodeField(fields[k], (*record).*Layout::Fields[k]);
            loaded.push_back(std::move(record));
        }
        FTextSize = size;
        bytes.reset();
        if constexpr (Layout::Merges) {
            FBase.clear();
            for (const auto& record : loaded)
                FBase.push_back(*record);
        }
        FDisk = disk;
        FDiskKnown = true;

        if (FEntries.empty()) {
            FEntries = std::move(loaded);
        } else {
            FEntries.reserve(FEntries.size() + loaded.size());
            std::move(loaded.begin(), loaded.end(), std::back_inserter(FEntries));
        }
        if (dataAfterNul) {
            FLoadState = TLoadState::StoppedAtZero;
            throw EDataAfterZeroError(FPath);
        }
    }
    if (!found) {
        FDisk = {};
        FDiskKnown = true;
        FBase.clear();
    }
    FLoadState = TLoadState::Whole;
}

template <class TRecord> void TRecordStore<TRecord>::SaveAll()
{
    using Layout = TLayout<TRecord>;
    if (FLoadState != TLoadState::Whole) {
        FRefusalReported = true;
        throw ENotSavedError(FPath, FLoadState == TLoadState::StoppedAtZero ? ENotSavedError::nsStoppedAtZero
                                                                            : ENotSavedError::nsUnreadable);
    }

    if constexpr (Layout::Guarded) {
        if (!FConflictPath.empty()) {
            TDiskState landed;
            WriteFile(FConflictPath, landed);
            return;
        }
        if (FDiskKnown && !SameContent(DiskStateNow(FPath, FDisk), FDisk) && SaveAfterChangeOnDisk())
            return;
    }
    TDiskState landed;
    try {
        WriteFile(FPath, landed);
    } catch (const EFlushError&) {
        Remember(landed); // the file is in place all the same
        throw;
    }
    Remember(landed);
}

template <class TRecord> void TRecordStore<TRecord>::WriteFile(const std::string& path, TDiskState& landed)
{
    using Layout = TLayout<TRecord>;
    // Records lie scattered over the heap, so the text is built in one pass over them, with the next
    // records fetched ahead while the current one is copied.
    auto writeText = [this](TFileWriter& text) {
        constexpr std::size_t Ahead = 8;
        text.Append(Layout::Header);
        text.Append("\r\n");
        for (std::size_t i = 0; i < FEntries.size(); ++i) {
            if (i + Ahead < FEntries.size())
                __builtin_prefetch(FEntries[i + Ahead].get());
            if (i + Ahead / 2 < FEntries.size())
                for (auto field : Layout::Fields)
                    __builtin_prefetch(((*FEntries[i + Ahead / 2]).*field).data());
            const TRecord& record = *FEntries[i];
            for (auto field : Layout::Fields) {
                AppendField(text, record.*field);
                text.Put(Separator);
            }
            text.Append("\r\n");
        }
    };
    std::size_t estimate = Layout::Header.size() + 2 + FEntries.size() * (Layout::Fields.size() + 2) * 8;
    FTextSize = ReplaceFile(path, Layout::OwnerOnly, std::max(estimate, FTextSize), writeText, landed);
}

template <class TRecord> void TRecordStore<TRecord>::Remember(const TDiskState& disk)
{
    FDisk = disk;
    FDiskKnown = true;
    if constexpr (TLayout<TRecord>::Merges) {
        FBase.clear();
        FBase.reserve(FEntries.size());
        for (const auto& record : FEntries)
            FBase.push_back(*record);
    }
}

template <class TRecord> bool TRecordStore<TRecord>::SaveAfterChangeOnDisk()
{
    using Layout = TLayout<TRecord>;
    if constexpr (Layout::Merges) {
        // Three-way: the other side's file, less what this run removed from the file as it knew it,
        // plus what this run added, each record once.
        TRecordStore<TRecord> theirs(SplitDirectory(FPath).first);
        theirs.LoadAll();
        const auto take = [](std::vector<TRecord>& from, const TRecord& record) {
            const auto found = std::find_if(from.begin(), from.end(),
                                            [&](const TRecord& other) { return SameRecord(other, record); });
            if (found == from.end())
                return false;
            from.erase(found);
            return true;
        };
        std::vector<TRecord> removed = FBase, added;
        for (const auto& record : FEntries)
            if (!take(removed, *record))
                added.push_back(*record);
        std::vector<std::unique_ptr<TRecord>> merged;
        for (auto& record : theirs.FEntries)
            if (!take(removed, *record))
                merged.push_back(std::move(record));
        for (const TRecord& record : added)
            if (std::none_of(merged.begin(), merged.end(),
                             [&](const auto& other) { return SameRecord(*other, record); }))
                merged.push_back(std::make_unique<TRecord>(record));
        FEntries = std::move(merged);
        return false; // written over the file it was merged with
    } else {
        const bool deleted = !DiskStateNow(FPath, FDisk).Exists;
        const std::string conflict = ConflictFileFor(FPath);
        TDiskState landed;
        WriteFile(conflict, landed);
        FConflictPath = conflict;
        throw EStoreConflictError(FPath, conflict, deleted);
    }
}

template <class TRecord> void TRecordStore<TRecord>::SaveAllReportingOnce()
{
    if (FLoadState != TLoadState::Whole && FRefusalReported)
        return;
    SaveAll();
}

template class TRecordStore<TForum>;
template class TRecordStore<TFMessage>;
template class TRecordStore<TFormat>;
template class TRecordStore<TPost>;
template class TRecordStore<TForumTemplate>;
template class TRecordStore<TDraftMessage>;

void TDraft::Write(const std::string& subject, const std::string& body)
{
    ClearAll();
    Append(std::make_unique<TDraftMessage>(TDraftMessage{subject, body}));
    SaveAll();
}

void TDraft::Remove()
{
    ClearAll();
    if (!ReadWhole())
        return; // a draft the start could not read (and reported) is the user's to look at
    if (::unlink(FilePath().c_str()) != 0) {
        if (errno == ENOENT)
            return;
        throw EThreadwickError("Cannot remove file \"" + FilePath() + "\". " + std::strerror(errno));
    }
    // Gone for good only once the directory is on disk: a crash must not bring the draft back.
    if (const int failure = SyncDirectory(SplitDirectory(FilePath()).first, FilePath());
        failure != 0 && failure != ENOENT)
        throw EFlushError(failure);
}

std::unordered_map<std::string, int> TPosts::LatestBySubject(const std::string& subject) const
{
    std::unordered_map<std::string, int> latest;
    for (int i = 0; i < Count(); ++i) {
        const TPost& post = RecordAt(i);
        if (post.Subject == subject)
            latest[post.ForumURL] = i; // later entries were sent later
    }
    return latest;
}

std::unordered_map<std::string, std::vector<int>>
TPosts::LatestBySubjects(const std::vector<std::string>& subjects) const
{
    std::unordered_map<std::string, std::vector<int>> latest;
    for (int i = 0; i < Count(); ++i) {
        const TPost& post = RecordAt(i);
        if (std::find(subjects.begin(), subjects.end(), post.Subject) == subjects.end())
            continue;
        std::vector<int>& posts = latest[WithoutUserInfo(post.ForumURL)];
        const auto same = std::find_if(posts.begin(), posts.end(), [&](int earlier) {
            return RecordAt(earlier).Subject == post.Subject;
        });
        // Later entries were sent later: the earlier post of the subject gives way, and the list
        // stays in the order of the record.
        if (same != posts.end())
            posts.erase(same);
        posts.push_back(i);
    }
    return latest;
}

std::string TForumTemplates::TemplateOf(const std::string& url) const
{
    for (int i = Count() - 1; i >= 0; --i)
        if (RecordAt(i).URL == url)
            return RecordAt(i).Template;
    return {};
}

bool TForumTemplates::SetTemplate(const std::string& url, const std::string& name)
{
    bool changed = false;
    int kept = -1;
    for (int i = Count() - 1; i >= 0; --i) {
        if (RecordAt(i).URL != url)
            continue;
        if (kept < 0 && !name.empty()) {
            kept = i;
            if (RecordAt(i).Template != name) {
                RecordAt(i).Template = name;
                changed = true;
            }
        } else {
            RemoveAt(i);
            changed = true;
        }
    }
    if (kept < 0 && !name.empty()) {
        Append(std::make_unique<TForumTemplate>(TForumTemplate{url, name}));
        changed = true;
    }
    return changed;
}
