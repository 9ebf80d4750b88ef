// Record classes (forums, saved messages, link-markup templates, sent posts) and the stores that keep
// them in memory and in their caret record files in the application directory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct TForum
{
    std::string URL, Username, Password;
};

struct TFMessage
{
    std::string Subject, Body;
};

struct TFormat
{
    std::string Name, LinkOpen, LinkMiddle, LinkEnd, Email;
};

// One message sent to one forum: the subject as it stood at Auto Insert, the forum's stored address
// (or the page's origin when the page was on no forum of the list), when it was sent (ISO 8601, UTC)
// and the address of the thread the page showed once it had settled.
struct TPost
{
    std::string Subject, ForumURL, SentAt, ThreadURL;
};

// The link template chosen for a forum: the forum's stored address and the template's name.
struct TForumTemplate
{
    std::string URL, Template;
};

// The message being written in the editor, kept so that a crash or a kill does not lose it.
struct TDraftMessage
{
    std::string Subject, Body;
};

// A store file as it was last read or written: a later difference means another program (a
// synchronised folder, an editor) changed it. The content hash settles a changed time or file
// with the same size.
struct TDiskState
{
    bool Exists = false;
    // ChangedNs, the inode's change time, moves with every write and cannot be set back by tools that
    // keep a file's modification time.
    std::uint64_t Size = 0, ModifiedNs = 0, ChangedNs = 0, Inode = 0, Device = 0, Hash = 0;
};

// An ordered list of owned records backed by one caret record file ("Forums.dat", ...). Never sorted;
// duplicates allowed. Every change is meant to be followed by SaveAll, which rewrites the whole file.
// Instantiated for TForum, TFMessage and TFormat only (see UForums.cpp).
template <class TRecord> class TRecordStore
{
public:
    // directory: where the file lies, with or without a trailing '/'.
    explicit TRecordStore(const std::string& directory);

    int Count() const { return static_cast<int>(FEntries.size()); }
    TRecord& RecordAt(int index);
    const TRecord& RecordAt(int index) const;
    // The store takes the record over. A null record is refused with std::invalid_argument.
    void Append(std::unique_ptr<TRecord> record);
    // position: 0 to Count(); the record goes before the entry at that position.
    void InsertAt(int position, std::unique_ptr<TRecord> record);
    void RemoveAt(int index);

    // Appends the records of the file; a missing file (or a directory in its place) leaves the store as it
    // is. Fails with EFOpenError for a file that cannot be read, is not a regular file or is larger than
    // 1 GiB. A file with data after a zero byte has its records up to that byte appended, then fails with
    // EDataAfterZeroError. After any failure SaveAll refuses to overwrite the file.
    void LoadAll();
    // Replaces the file with the whole store, atomically and durably: on failure the old file stays whole.
    // An existing file that the user may not write, or a "Forums.dat" of another user, is not replaced.
    // A file that another program changed since it was last read or written is not replaced either:
    // "Posts.dat" is merged with it; any other store writes its version beside it, as
    // "NAME.conflict-YYYYMMDD-HHMMSS.dat", and fails once with EStoreConflictError naming both files;
    // later saves go on into that file without a word.
    // A new file is created 0644 less the umask ("Forums.dat" and "ForumTemplates.dat" 0600 whatever the
    // umask). Fails with EFlushError when the file was replaced but its directory could not be flushed.
    // A file that LoadAll could not read whole is never written: every save fails with ENotSavedError.
    void SaveAll();
    // SaveAll for the saves made on every keystroke, which the user did not ask for one by one: a refused
    // save is reported once per store and run, and does nothing after that, so that typing does not
    // repeat the message.
    void SaveAllReportingOnce();

    // Full path of the store's file.
    const std::string& FilePath() const { return FPath; }
    // Where the saves of this run go since another program changed the file; empty until then.
    const std::string& ConflictPath() const { return FConflictPath; }

protected:
    void ClearAll() { FEntries.clear(); }
    // Whether LoadAll read the file whole (or found none).
    bool ReadWhole() const { return FLoadState == TLoadState::Whole; }

private:
    void CheckIndex(int index, int limit) const;

    std::string FPath;
    // Whether LoadAll read the file whole; SaveAll refuses to overwrite a file that it did not.
    enum class TLoadState { Whole, Unreadable, StoppedAtZero };
    TLoadState FLoadState = TLoadState::Whole;
    // Set once a save has reported its refusal.
    bool FRefusalReported = false;
    // Size of the file's text when last read or written: the next save sizes its buffer from it.
    std::size_t FTextSize = 0;
    // The file as last read or written, and the records it held then (kept only by a store that
    // merges, to tell the other side's removals and additions from this run's).
    TDiskState FDisk;
    // Whether FDisk holds anything: a store that has neither read nor written its file does not check.
    bool FDiskKnown = false;
    std::vector<TRecord> FBase;
    std::string FConflictPath;
    std::vector<std::unique_ptr<TRecord>> FEntries;

    void Remember(const TDiskState& disk);
    void WriteFile(const std::string& path, TDiskState& landed);
    // Called when the file on disk is not the one last read or written; returns true when the save
    // is done (or refused by a throw).
    bool SaveAfterChangeOnDisk();
};

extern template class TRecordStore<TForum>;
extern template class TRecordStore<TFMessage>;
extern template class TRecordStore<TFormat>;
extern template class TRecordStore<TPost>;
extern template class TRecordStore<TForumTemplate>;
extern template class TRecordStore<TDraftMessage>;

// "Forums.dat": holds passwords in plain text, so the file is kept readable by its owner only.
class TForums : public TRecordStore<TForum>
{
public:
    using TRecordStore::TRecordStore;
};

// "Messages.dat"
class TFMessages : public TRecordStore<TFMessage>
{
public:
    using TRecordStore::TRecordStore;
};

// "Formats.dat": rebuilt whole by the templates dialog, hence ClearAll.
class TFormats : public TRecordStore<TFormat>
{
public:
    using TRecordStore::ClearAll;
    using TRecordStore::TRecordStore;
};

// "Posts.dat": the record of the posting run, oldest post first.
class TPosts : public TRecordStore<TPost>
{
public:
    using TRecordStore::TRecordStore;

    // The latest post of subject to each forum, by the forum's address: the index of its entry.
    std::unordered_map<std::string, int> LatestBySubject(const std::string& subject) const;
    // The latest post of each of subjects to each forum, by the forum's address without a user name
    // and password (WithoutUserInfo), so that a forum stored with one finds its posts: the indexes of
    // those entries, at most one per subject, oldest first.
    std::unordered_map<std::string, std::vector<int>>
    LatestBySubjects(const std::vector<std::string>& subjects) const;
};

// "ForumTemplates.dat": each forum's own link template, by the forum's address, so that the same
// address added twice is one forum here and a forum removed and added again gets its template back.
// Kept beside "Forums.dat" and, like it, readable by its owner only: addresses may carry a user name.
class TForumTemplates : public TRecordStore<TForumTemplate>
{
public:
    using TRecordStore::TRecordStore;

    // The template name kept for the address; empty when none. Of entries for the same address
    // (a file edited by hand), the last counts.
    std::string TemplateOf(const std::string& url) const;
    // Keeps name as the address's template; an empty name forgets the entry. Returns whether the
    // store changed, so that the caller saves only then.
    bool SetTemplate(const std::string& url, const std::string& name);
};

// "Draft.dat": the editor's unsaved message, one record at most, written while the user types and
// removed once the text is saved, loaded or gone. Only this program writes it, so it is not checked
// for changes by others.
class TDraft : public TRecordStore<TDraftMessage>
{
public:
    using TRecordStore::ClearAll;
    using TRecordStore::TRecordStore;

    // Replaces the file with this one record.
    void Write(const std::string& subject, const std::string& body);
    // Removes the file, if any, durably; a file that LoadAll could not read is kept. Fails with
    // EThreadwickError when the file cannot be removed.
    void Remove();
};
