#pragma once
// What Varlo remembers about feeds between runs: per feed address, the validators of its last
// download, when it last succeeded and failed (with the message), and the key of every article
// it has held (as a hash), when that was first seen and whether the user has been shown it. One
// SQLite file, shared by the window and varlo-cli: every change is one transaction, so a crash at
// any point leaves each feed as it was before the change or after it.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "store/sqlite.h"

namespace varlo {

class RuleSet;

// The HTTP validators of a feed's last full download.
struct FeedValidators {
    Text etag;          // ETag, as the server sent it
    Text lastModified;  // Last-Modified, as the server sent it
};

// What the store knows about one feed address.
struct FeedRecord {
    bool known = false;       // the store has a row for the address
    bool downloaded = false;  // at least one download succeeded
    FeedValidators validators;
    int64_t lastSuccess = 0;  // seconds since 1970; 0 for never
    int64_t lastFailure = 0;  // seconds since 1970; 0 for never
    Text failureMessage;      // the message of the last failure
    int64_t freshUntil = 0;   // the last answer said the feed stays fresh until then; 0 for not
    bool gone = false;        // the server said the feed is gone for good (410), and has not
                              // answered with it since
};

class CFeedStore {
  public:
    // Days without any touch after which a feed is forgotten.
    static constexpr int64_t kFeedLifetime = 30 * 86400;
    // Days an article key may be missing from its feed before it is forgotten.
    static constexpr int64_t kArticleLifetime = 90 * 86400;
    // The most article keys one feed keeps; past it the oldest go (a feed that invents new
    // guids at every answer would otherwise grow the store without end).
    static constexpr int64_t kMaxKeysPerFeed = 200000;

    CFeedStore() = default;
    CFeedStore(const CFeedStore&) = delete;
    CFeedStore& operator=(const CFeedStore&) = delete;

    // Opens the store at `path`, making it when missing. A file that is not a database, is
    // damaged or was written by a newer Varlo is moved aside and a fresh store made; Notice()
    // then tells the user where the old one went. False when no store could be had (a busy or
    // unwritable file: nothing is moved then).
    bool Open(const std::string& path);
    bool IsOpen() const { return m_db != nullptr; }
    // Opens another connection to the store at `path` that a first one opened (and checked and
    // migrated): for writing from another thread while the first one reads. Nothing is made,
    // checked or moved aside; false unless the store is there at this version.
    bool OpenAnother(const std::string& path);
    // The path of the store opened last; empty before.
    const std::string& Path() const { return m_path; }
    // The message for the user when the last Open moved a file aside, or when the library found
    // its search index damaged and rebuilt it since; empty otherwise.
    const Text& Notice() const { return m_notice; }
    void ClearNotice() { m_notice.clear(); }

    // What the store knows about the feed at `url`.
    FeedRecord Feed(const Text& url);
    // What the store knows about every feed, by address (one query for a whole update).
    std::map<Text, FeedRecord> Feeds();
    // Records a successful download whose articles have `keys`: its validators, the time, and
    // the articles, each new key as unseen. Returns how many keys the feed never had before
    // (every key on its first download), or -1 when nothing could be recorded.
    int RecordSuccess(const Text& url, const FeedValidators& validators,
                      const std::vector<Text>& keys, int64_t now) {
        return Record(url, validators, keys, now, true);
    }
    // Records a "not modified" answer whose cached body holds `keys`: the same as RecordSuccess
    // for the count of new keys, without rewriting the articles the store already has.
    int RecordUnchanged(const Text& url, const FeedValidators& validators,
                        const std::vector<Text>& keys, int64_t now) {
        return Record(url, validators, keys, now, false);
    }
    // Records a failed download with its message; articles and validators stay.
    bool RecordFailure(const Text& url, const Text& message, int64_t now);
    // Records that the server said the feed is gone for good, with the message; the next
    // successful download clears the mark.
    bool RecordGone(const Text& url, const Text& message, int64_t now);
    // Records until when the feed's last answer said it stays fresh (0: not fresh).
    bool SetFreshUntil(const Text& url, int64_t until);
    // Records that every site of `host` waits until `until`; `host` is the server's wait key
    // ("scheme://host:port", lower case), or a bare host in rows kept before.
    bool SetHostWait(const std::string& host, int64_t until);
    // Until when `host` (a wait key as above) waits; 0 when it does not wait at `now`.
    int64_t HostWait(const std::string& host, int64_t now);
    // Notes that each feed was in use at `now` (an update, a choice, an opened file), so that it
    // is not forgotten.
    bool Touch(const std::vector<Text>& urls, int64_t now);
    // Marks every stored article of the feed seen (read, in the library's words).
    bool MarkSeen(const Text& url);
    // The number of unseen articles of the feed; -1 when it was never downloaded.
    int UnseenCount(const Text& url);
    // The keys of the feed's unseen articles, as HashArticleKey gives them.
    std::set<uint64_t> UnseenKeys(const Text& url) { return KeyHashes(url, true); }
    // The hashes of every key stored for the feed at `url`, read or not.
    std::set<uint64_t> StoredKeys(const Text& url) { return KeyHashes(url, false); }
    // Forgets feeds untouched for kFeedLifetime, unstarred articles missing from their feed for
    // the keeping time (SetKeepDays) and waits that ended; returns the addresses of the feeds
    // forgotten. A forgotten feed's starred articles stay, with the feed's row but not its
    // validators (the cached body they stand for goes with the feed).
    std::vector<Text> Prune(int64_t now);
    // Days an unstarred article is kept after it left its feed; 0 keeps it for ever. A site's own
    // keeping time (SiteSettings::keepDays) holds for that site instead.
    void SetKeepDays(int days) { m_keepDays = days < 0 ? 0 : days; }

    // The connection, for the library working on this store (same thread only).
    sqlite3* Connection() const { return m_db.get(); }

    // From now on, every change to the store's tables through this connection is refused (the
    // connection's temporary tables stay writable) and counted: a connection that only reads,
    // while another writes. Holds until the store is opened anew.
    void RefuseWrites();
    // Changes refused so far; each is also told on standard error.
    int64_t RefusedWrites() const { return m_refused; }

    // The schema version this program writes.
    static constexpr int kSchemaVersion = 13;

  private:
    std::set<uint64_t> KeyHashes(const Text& url, bool unreadOnly);
    enum class OpenResult { kOk, kDamaged, kNewer, kFailed };
    OpenResult TryOpen(const std::string& path);
    bool MoveAside(const std::string& path, const char* kind);
    int64_t FeedId(const Text& url, int64_t now);
    bool TrimKeys(int64_t feedId);
    int Record(const Text& url, const FeedValidators& validators, const std::vector<Text>& keys,
               int64_t now, bool bodyChanged);

    void RegisterFunctions(sqlite3* db);
    friend class CLibraryRecorder;
    friend class CLibraryViews;
    friend class CRuleStore;

    static int Authorize(void* self, int action, const char* first, const char* second,
                         const char* database, const char* trigger);

    SqliteDb m_db;
    int64_t m_refused = 0;
    int m_keepDays = 90;
    Text m_notice;
    std::string m_path;
    // The enabled rules compiled, and the state of the rules table they were compiled from.
    std::shared_ptr<RuleSet> m_rules;
    std::string m_rulesSignature;
};

}  // namespace varlo
