// Storing articles one at a time, their texts written to the search index in groups.

#include "store/library_record.h"

#include <algorithm>
#include <string>

#include "store/article_keys.h"
#include "store/article_limits.h"
#include "store/library_rows.h"

namespace varlo {

namespace {

// The cost ?9 of an article's texts, with that of the whole article kept for article ?1.
std::string WithFullTextCost() {
    return "(?9 + coalesce((SELECT " + StoredFullTextCostSql("t.html") +
           " FROM article_full_texts t WHERE t.id = ?1), 0))";
}

}  // namespace

CLibraryRecorder::ArticleWriter::ArticleWriter(sqlite3* db, size_t textsPerStatement)
    : m_db(db),
      m_find(db, "SELECT id FROM articles WHERE feed_id = ? AND key_hash = ?"),
      // A body that holds an article marks it present now; a "not modified" answer leaves the
      // article's presence as the body it stands for set it.
      m_mark(db, "UPDATE articles SET last_present = ? WHERE id = ?"),
      m_add(db,
            "INSERT INTO articles(feed_id, key_hash, key, title, link, date, author, "
            "category, first_seen, last_present, sort_time, server_id, text_size, "
            "stored, hidden, notify_rule) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?9, ?10, ?11, "
            "?12, 1, ?13, ?14)"),
      // Rewrites only what changed, so that an article read again costs no index work.
      // A whole article kept for it adds its own cost to the feed's.
      m_change(db,
               "UPDATE articles SET key = ?2, title = ?3, link = ?4, date = ?5, author = ?6, "
               "category = ?7, sort_time = CASE WHEN ?5 > 0 THEN ?5 ELSE first_seen END, "
               "server_id = coalesce(?8, server_id), text_size = " +
                   WithFullTextCost() +
                   ", stored = 1 "
                   "WHERE id = ?1 AND (stored = 0 OR key IS NOT ?2 OR title IS NOT ?3 OR "
                   "link IS NOT ?4 OR date != ?5 OR author IS NOT ?6 OR category IS NOT ?7 OR "
                   "text_size != " +
                   WithFullTextCost() + " OR (?8 IS NOT NULL AND server_id IS NOT ?8))"),
      m_textsPerStatement(std::max<size_t>(textsPerStatement, 1)) {}

namespace {

// A group of texts written together stops at this size: the search index holds the words of the
// group in memory until its statement ends.
constexpr size_t kTextBytesPerStatement = size_t{1} << 20;

// A statement writing `count` texts: each an article's id and its HTML, in that order. A text
// changed rewrites the article's words in the search index; the same text again writes nothing.
std::string TextsStatement(size_t count) {
    std::string sql = "INSERT INTO article_texts(id, html) VALUES";
    for (size_t i = 0; i < count; ++i) sql += i == 0 ? "(?, ?)" : ",(?, ?)";
    return sql +
           " ON CONFLICT(id) DO UPDATE SET html = excluded.html "
           "WHERE html IS NOT excluded.html";
}

}  // namespace

bool CLibraryRecorder::ArticleWriter::Flush() {
    if (m_texts.empty()) return true;
    std::unique_ptr<SqliteStatement> partial;
    SqliteStatement* statement = nullptr;
    if (m_texts.size() == m_textsPerStatement) {
        if (!m_fullTexts) {
            m_fullTexts = std::make_unique<SqliteStatement>(m_db, TextsStatement(m_texts.size()));
        }
        statement = m_fullTexts.get();
    } else {
        partial = std::make_unique<SqliteStatement>(m_db, TextsStatement(m_texts.size()));
        statement = partial.get();
    }
    statement->Reset();
    int index = 1;
    for (const auto& [id, html] : m_texts) {
        statement->Bind(index++, id);
        // The articles outlive the statement: their texts are not copied.
        statement->BindUnowned(index++, *html);
    }
    const bool written = statement->Step() == SQLITE_DONE;
    statement->Reset();
    m_texts.clear();
    m_textBytes = 0;
    return written;
}

int64_t CLibraryRecorder::ArticleWriter::Write(int64_t feedId, const LibraryArticle& article,
                                               int64_t now, bool present, bool* added,
                                               int64_t* costOut, RuleActions* actions) {
    auto bindServerId = [](SqliteStatement& statement, int index, const std::string& id) {
        if (id.empty()) {
            statement.BindNull(index);
        } else {
            statement.Bind(index, id);
        }
    };
    *added = false;
    const int64_t hash = KeyHashOf(article.key);
    const std::string key = StoredArticleKey(article.key);
    const std::string_view title = CapUtf8(article.title, kMaxTitleBytes);
    const std::string_view link = CapUtf8(article.link, kMaxLinkBytes);
    const std::string_view author = CapUtf8(article.author, kMaxAuthorBytes);
    const std::string_view category = CapUtf8(article.category, kMaxCategoryBytes);
    const int64_t cost =
        StoredArticleCost(key, title, link, author, category, article.serverId, article.html);
    if (costOut) *costOut = cost;
    m_find.Reset();
    m_find.Bind(1, feedId).Bind(2, hash);
    const int found = m_find.Step();
    if (found != SQLITE_ROW && found != SQLITE_DONE) return -1;
    int64_t id = found == SQLITE_ROW ? m_find.Int(0) : -1;
    if (id < 0) {
        const RuleActions decided = m_rules ? m_rules(article) : RuleActions{};
        if (actions) *actions = decided;
        m_add.Reset();
        m_add.Bind(1, feedId).Bind(2, hash).Bind(3, key).Bind(4, title);
        m_add.Bind(5, link).Bind(6, article.date).Bind(7, author);
        m_add.Bind(8, category).Bind(9, now).Bind(10, SortTime(article.date, now));
        bindServerId(m_add, 11, article.serverId);
        m_add.Bind(12, cost).Bind(13, int64_t{decided.hide}).Bind(14, decided.notifyRule);
        if (m_add.Step() != SQLITE_DONE) return -1;
        id = sqlite3_last_insert_rowid(m_db);
        *added = true;
    } else {
        if (present) {
            m_mark.Reset();
            m_mark.Bind(1, now).Bind(2, id);
            if (m_mark.Step() != SQLITE_DONE) return -1;
        }
        m_change.Reset();
        m_change.Bind(1, id).Bind(2, key).Bind(3, title).Bind(4, link);
        m_change.Bind(5, article.date).Bind(6, author).Bind(7, category);
        bindServerId(m_change, 8, article.serverId);
        m_change.Bind(9, cost);
        if (m_change.Step() != SQLITE_DONE) return -1;
    }
    m_texts.emplace_back(id, &article.html);
    m_textBytes += article.html.size();
    if ((m_texts.size() >= m_textsPerStatement || m_textBytes >= kTextBytesPerStatement) &&
        !Flush()) {
        return -1;
    }
    return id;
}

}  // namespace varlo
