// Record classes (forums, saved messages, link-markup templates, sent posts) and the stores that keep
// them in memory and in their caret record files in the application directory.
#pragma once

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

protected:
    void ClearAll() { FEntries.clear(); }

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
    std::vector<std::unique_ptr<TRecord>> FEntries;
};

extern template class TRecordStore<TForum>;
extern template class TRecordStore<TFMessage>;
extern template class TRecordStore<TFormat>;
extern template class TRecordStore<TPost>;
extern template class TRecordStore<TForumTemplate>;

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
