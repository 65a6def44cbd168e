// How articles are held in rows: their keys, their costs, and the statements that read them back.

#include "store/library_rows.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "store/article_keys.h"
#include "store/article_limits.h"
#include "store/library_schema.h"
#include "store/pending_marks.h"

namespace varlo {
namespace {

// A key kept as its hash: this, then the hash in 16 hex digits. No key a feed gives begins with a
// control character.
constexpr std::string_view kHashedKey = "\x01hash:";
constexpr size_t kHashedKeySize = kHashedKey.size() + 16;

std::optional<uint64_t> HashOfHashedKey(std::string_view key) {
    if (key.size() != kHashedKeySize || !key.starts_with(kHashedKey)) return std::nullopt;
    uint64_t hash = 0;
    for (const char c : key.substr(kHashedKey.size())) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return std::nullopt;
        hash = hash << 4 | static_cast<uint64_t>(digit);
    }
    return hash;
}

// The bytes of a link the index of links holds: enough to tell a site's links apart, and an
// entry that fits its page however long the link (see kLinkIndexMigration).
constexpr int64_t kLinkIndexed = 256;
// A stored article's row beyond its texts, and the entries of the indexes every one has (the
// site's and the library's orders, the unread set, its key's hash, its presence and age).
constexpr int64_t kRowBytes = 48;
constexpr int64_t kIndexBytes = 192;

// The bytes a row of `bytes` takes of the file. It shares a page with as many rows of its size
// as fit whole, so a row of just over half a page takes a page; a longer one goes on in pages of
// its own, the last half empty on average.
int64_t RowCost(int64_t bytes) {
    constexpr int64_t kPage = 4096;
    constexpr int64_t kMostInPage = 4061;  // the most of a row a page holds
    constexpr int64_t kCellBytes = 16;     // a row's header and place in its page
    if (bytes + kCellBytes > kMostInPage) return bytes + kPage / 2;
    return kPage / (kMostInPage / (bytes + kCellBytes));
}

constexpr const char* kRowColumns =
    "SELECT a.id, f.url, a.key, a.title, a.link, a.date, a.author, a.category, a.first_seen, "
    "a.last_present, ";  // then whether it is read, a.starred, a.server_id

}  // namespace

int64_t KeyHashOf(const std::string& utf8Key) {
    if (const std::optional<uint64_t> hash = HashOfHashedKey(utf8Key)) {
        return static_cast<int64_t>(*hash);
    }
    return static_cast<int64_t>(HashArticleKey(Utf8TextToCp932(utf8Key)));
}

int64_t SortTime(int64_t date, int64_t firstSeen) {
    return date > 0 ? date : firstSeen;
}

LibraryRow RowFrom(const SqliteStatement& query, bool withHtml) {
    LibraryRow row;
    row.id = query.Int(0);
    row.feedUrl = query.String(1);
    row.key = query.String(2);
    row.title = query.String(3);
    row.link = query.String(4);
    row.date = query.Int(5);
    row.author = query.String(6);
    row.category = query.String(7);
    row.firstSeen = query.Int(8);
    row.lastInFeed = query.Int(9);
    row.read = query.Int(10) != 0;
    row.starred = query.Int(11) != 0;
    if (!query.IsNull(12)) row.serverId = query.String(12);
    row.hidden = query.Int(13) != 0;
    if (withHtml) row.html = query.String(14);
    return row;
}

std::string RowQuery(bool withHtml, const char* rest) {
    return std::string(kRowColumns) + kArticleRead + ", a.starred, a.server_id, a.hidden" +
           (withHtml ? ", coalesce(t.html, x'')" : "") +
           " FROM articles a JOIN feeds f ON f.id = a.feed_id " +
           (withHtml ? "LEFT JOIN article_texts t ON t.id = a.id " : "") + rest;
}

std::string ViewClause(LibraryView::Kind kind, bool limited) {
    const std::string sites = limited ? kInSites : "";
    switch (kind) {
        case LibraryView::Kind::kUnread:
            return "unread INDEXED BY unread_by_time WHERE stored = 1 AND hidden = 0" + sites +
                   " ORDER BY sort_time DESC, id DESC";
        case LibraryView::Kind::kStarred:
            return "articles INDEXED BY articles_starred WHERE starred = 1 AND stored = 1 AND "
                   "hidden = 0" +
                   sites + " ORDER BY sort_time DESC, id DESC";
        case LibraryView::Kind::kHidden:
            return "articles INDEXED BY articles_hidden WHERE hidden = 1 AND stored = 1" + sites +
                   " ORDER BY sort_time DESC, id DESC";
        case LibraryView::Kind::kAll:
            return "articles INDEXED BY articles_by_time WHERE stored = 1" + sites +
                   " ORDER BY sort_time DESC, id DESC";
        case LibraryView::Kind::kSite:
        case LibraryView::Kind::kSearch:
            break;
    }
    return "articles INDEXED BY articles_by_site WHERE feed_id = (SELECT id FROM feeds WHERE "
           "url = ?1) AND stored = 1 ORDER BY sort_time DESC, id DESC";
}

std::string StoredArticleKey(const std::string& utf8Key) {
    if (utf8Key.size() <= kMaxKeyBytes) return utf8Key;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx",
                  static_cast<unsigned long long>(KeyHashOf(utf8Key)));
    return std::string(kHashedKey) + digits;
}

int64_t StoredArticleCost(int64_t rowTexts, int64_t link, int64_t title, int64_t html) {
    // The article's row with its texts, its HTML in a row of its own, the beginning of its link
    // in the index of links, and its words in the search index: about half the bytes of the
    // texts it indexes (measured on Japanese and English articles).
    return RowCost(rowTexts + kRowBytes) + RowCost(html + 8) + std::min(link, kLinkIndexed) +
           (title + html) / 2 + kIndexBytes;
}

std::string StoredFullTextCostSql(std::string_view html) {
    const std::string length = "length(" + std::string(html) + ")";
    return "(" + length + " + " + length + " / 2 + 2056)";
}

int64_t StoredArticleCost(std::string_view key, std::string_view title, std::string_view link,
                          std::string_view author, std::string_view category,
                          std::string_view serverId, std::string_view html) {
    auto size = [](std::string_view text) { return static_cast<int64_t>(text.size()); };
    return StoredArticleCost(
        size(key) + size(title) + size(link) + size(author) + size(category) + size(serverId),
        size(link), size(title), size(html));
}

}  // namespace varlo
