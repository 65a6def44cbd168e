#pragma once
// The schema steps that turn the store's table of article keys into the reading library, and
// those that came after it.

namespace varlo {

// 4 -> 5: every article kept with what the window shows of it. A row known only by its key's
// hash (a store of an earlier version, or a download recorded by its keys alone) has `stored`
// 0 and no texts; its seen mark becomes its read mark, so an article recorded later under a key
// that was seen starts read. `sort_time` is the article's date, else when it was first seen:
// the order of every view, kept in partial indexes so that a view's rows are read in order
// without sorting and marking many read touches only the indexes that hold them.
inline constexpr const char* kLibraryMigration =
    "DROP INDEX IF EXISTS articles_by_presence;"
    "DROP INDEX IF EXISTS articles_by_age;"
    "ALTER TABLE articles RENAME TO article_keys_before_library;"
    "CREATE TABLE articles ("
    "  id INTEGER PRIMARY KEY,"
    "  feed_id INTEGER NOT NULL REFERENCES feeds(id) ON DELETE CASCADE,"
    "  key_hash INTEGER NOT NULL,"
    "  key BLOB,"
    "  title BLOB NOT NULL DEFAULT x'',"
    "  link BLOB NOT NULL DEFAULT x'',"
    "  date INTEGER NOT NULL DEFAULT 0,"
    "  author BLOB NOT NULL DEFAULT x'',"
    "  category BLOB NOT NULL DEFAULT x'',"
    "  first_seen INTEGER NOT NULL,"
    "  last_present INTEGER NOT NULL,"
    "  sort_time INTEGER NOT NULL,"
    "  read INTEGER NOT NULL DEFAULT 0,"
    "  starred INTEGER NOT NULL DEFAULT 0,"
    "  server_id BLOB,"
    "  text_size INTEGER NOT NULL DEFAULT 0,"
    "  stored INTEGER NOT NULL DEFAULT 0,"
    "  UNIQUE (feed_id, key_hash));"
    // The HTML of a stored article, apart from its row: marking many articles read rewrites
    // rows a fraction of the size, many to a page.
    "CREATE TABLE article_texts ("
    "  id INTEGER PRIMARY KEY,"
    "  html BLOB NOT NULL);"
    "CREATE VIEW article_content AS SELECT a.id AS id, a.title AS title, t.html AS html "
    "  FROM articles a JOIN article_texts t ON t.id = a.id;"
    // The search index reads the titles and the HTML of the stored articles themselves (the text
    // is not stored twice) and keeps neither positions nor sizes: a phrase or a long run of
    // Japanese is checked on the hit's text instead. Triggers keep it in step in the same
    // transaction as every change, deletions by a feed's cascade included. An article's texts
    // enter it with its HTML; a change of title or HTML takes out the old words first.
    "CREATE VIRTUAL TABLE article_search USING fts5(title, html, content='article_content', "
    "  content_rowid='id', tokenize='varlo html', detail=none, columnsize=0);"
    "CREATE TRIGGER article_texts_search_insert AFTER INSERT ON article_texts BEGIN "
    "  INSERT INTO article_search(rowid, title, html) "
    "  SELECT new.id, title, new.html FROM articles WHERE id = new.id;"
    "END;"
    "CREATE TRIGGER article_texts_search_update AFTER UPDATE OF html ON article_texts BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', old.id, title, old.html FROM articles WHERE id = old.id;"
    "  INSERT INTO article_search(rowid, title, html) "
    "  SELECT new.id, title, new.html FROM articles WHERE id = new.id;"
    "END;"
    "CREATE TRIGGER articles_search_update AFTER UPDATE OF title ON articles BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', old.id, old.title, html FROM article_texts WHERE id = old.id;"
    "  INSERT INTO article_search(rowid, title, html) "
    "  SELECT new.id, new.title, html FROM article_texts WHERE id = new.id;"
    "END;"
    "CREATE TRIGGER articles_search_delete BEFORE DELETE ON articles BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', old.id, old.title, html FROM article_texts WHERE id = old.id;"
    "END;"
    "INSERT INTO articles(feed_id, key_hash, first_seen, last_present, sort_time, read) "
    "  SELECT feed_id, key_hash, first_seen, last_present, first_seen, seen "
    "  FROM article_keys_before_library;"
    "DROP TABLE article_keys_before_library;"
    "CREATE INDEX articles_by_presence ON articles(last_present);"
    "CREATE INDEX articles_by_age ON articles(feed_id, last_present, first_seen);"
    "CREATE INDEX articles_unread ON articles(sort_time DESC, id DESC) "
    "  WHERE read = 0 AND stored = 1;"
    "CREATE INDEX articles_starred ON articles(sort_time DESC, id DESC) "
    "  WHERE starred = 1 AND stored = 1;"
    "CREATE INDEX articles_by_site ON articles(feed_id, sort_time DESC, id DESC) "
    "  WHERE stored = 1;"
    "CREATE INDEX articles_by_time ON articles(sort_time DESC, id DESC) WHERE stored = 1;"
    "CREATE INDEX articles_unread_by_site ON articles(feed_id) WHERE read = 0;"
    "CREATE INDEX articles_by_server_id ON articles(server_id) WHERE server_id IS NOT NULL;"
    // Marks the user made on articles a sync server knows, not yet sent: the latest state is in
    // the article; this says which marks changed, in the order they were made.
    "CREATE TABLE pending_marks ("
    "  article_id INTEGER PRIMARY KEY REFERENCES articles(id) ON DELETE CASCADE,"
    "  read_changed INTEGER NOT NULL,"
    "  starred_changed INTEGER NOT NULL,"
    "  seq INTEGER NOT NULL);"
    "CREATE INDEX pending_marks_by_seq ON pending_marks(seq);"
    "CREATE TRIGGER articles_queue_marks AFTER UPDATE OF read, starred ON articles "
    "  WHEN new.server_id IS NOT NULL AND varlo_local_marks() "
    "  AND (old.read != new.read OR old.starred != new.starred) BEGIN "
    "  INSERT OR REPLACE INTO pending_marks(article_id, read_changed, starred_changed, seq) "
    "  VALUES(new.id,"
    "    coalesce((SELECT read_changed FROM pending_marks WHERE article_id = new.id), 0) "
    "      OR old.read != new.read,"
    "    coalesce((SELECT starred_changed FROM pending_marks WHERE article_id = new.id), 0) "
    "      OR old.starred != new.starred,"
    "    (SELECT coalesce(max(seq), 0) + 1 FROM pending_marks));"
    "END;";

// 5 -> 6: marks for the sync server are queued by the statements that mark (store/pending_marks.h)
// instead of a trigger run for each article, and the unread articles that have a server id have
// an index of their own, so that marking everything read finds them without reading every unread
// article. The search index also holds the beginnings of words of 3 and 4 characters, so that a
// word typed in part is one list of hits instead of the lists of every word it begins, merged;
// its triggers stay as they are, and it is rebuilt from the stored texts.
inline constexpr const char* kSetMarksMigration =
    "DROP TRIGGER articles_queue_marks;"
    "CREATE INDEX articles_unread_synced ON articles(id) "
    "  WHERE read = 0 AND server_id IS NOT NULL;"
    "DROP TABLE article_search;"
    "CREATE VIRTUAL TABLE article_search USING fts5(title, html, content='article_content', "
    "  content_rowid='id', tokenize='varlo html', detail=none, columnsize=0, "
    "  prefix='3 4');"
    "INSERT INTO article_search(article_search) VALUES('rebuild');";

// 6 -> 7: a sync server's article is looked for among its site's articles by its link; without an
// index each look-up would read the whole site, thousands of rows for each of thousands of
// articles at a first sync into a full library.
inline constexpr const char* kLinkIndexMigration =
    "CREATE INDEX articles_by_link ON articles(feed_id, link) WHERE stored = 1;";

// 7 -> 8: the unread articles are a narrow set of their own. Marking an article read deletes a
// row of a few numbers instead of rewriting the article's row with its title, link and key, so
// marking a hundred thousand articles writes a few hundred pages instead of thousands. The set
// keeps copies of what its indexes order and filter by (the site, the time, whether the article
// is stored and known to a sync server); the triggers keep them equal to the article's and take
// an article's row along when it goes. Every new article starts unread. A trigger rather than a
// foreign key: with one, marking everything read could not empty the set at once.
inline constexpr const char* kUnreadSetMigration =
    "CREATE TABLE unread ("
    "  id INTEGER PRIMARY KEY,"
    "  feed_id INTEGER NOT NULL,"
    "  sort_time INTEGER NOT NULL,"
    "  stored INTEGER NOT NULL,"
    "  synced INTEGER NOT NULL);"
    "INSERT INTO unread(id, feed_id, sort_time, stored, synced) "
    "  SELECT id, feed_id, sort_time, stored, server_id IS NOT NULL FROM articles "
    "  INDEXED BY articles_unread_by_site WHERE read = 0;"
    "DROP INDEX articles_unread;"
    "DROP INDEX articles_unread_by_site;"
    "DROP INDEX articles_unread_synced;"
    "ALTER TABLE articles DROP COLUMN read;"
    "CREATE INDEX unread_by_time ON unread(sort_time DESC, id DESC) WHERE stored = 1;"
    "CREATE INDEX unread_by_site ON unread(feed_id);"
    "CREATE INDEX unread_synced ON unread(id) WHERE synced = 1;"
    "CREATE TRIGGER articles_start_unread AFTER INSERT ON articles BEGIN "
    "  INSERT INTO unread(id, feed_id, sort_time, stored, synced) "
    "  VALUES(new.id, new.feed_id, new.sort_time, new.stored, new.server_id IS NOT NULL);"
    "END;"
    "CREATE TRIGGER articles_leave_unread AFTER DELETE ON articles BEGIN "
    "  DELETE FROM unread WHERE id = old.id;"
    "END;"
    "CREATE TRIGGER articles_unread_follows AFTER UPDATE OF sort_time, stored, server_id "
    "  ON articles BEGIN "
    "  UPDATE unread SET sort_time = new.sort_time, stored = new.stored, "
    "    synced = new.server_id IS NOT NULL WHERE id = new.id;"
    "END;";

// 8 -> 9: what an article costs its site is everything it stores. Its text goes with it, however
// it goes (a site's limits, the keeping time, a forgotten site, a cascade), and the texts earlier
// versions left behind go now. Each text is held to its limit (store/article_limits.h), a key
// past its limit to its hash. The index of links holds their first 256 bytes: an entry longer
// than a quarter of a page spills to a page of its own. `text_size` becomes the article's cost
// (StoredArticleCost), which the site's limit counts. The search index merges its segments two
// at a time instead of four: the words of deleted articles stay in it until a merge reaches the
// segment that holds them, and a feed that brings as many articles as the site keeps at every
// update would otherwise grow it to several times the words it finds.
inline constexpr const char* kArticleCostMigration =
    "CREATE TRIGGER articles_take_texts AFTER DELETE ON articles BEGIN "
    "  DELETE FROM article_texts WHERE id = old.id;"
    "END;"
    "DELETE FROM article_texts WHERE id NOT IN (SELECT id FROM articles);"
    "DROP INDEX articles_by_link;"
    "UPDATE articles SET key = varlo_stored_key(key) WHERE length(key) > 1024;"
    "UPDATE articles SET title = varlo_cap(title, 2048), link = varlo_cap(link, 8192), "
    "  author = varlo_cap(author, 2048), category = varlo_cap(category, 2048) "
    "  WHERE length(title) > 2048 OR length(link) > 8192 OR length(author) > 2048 "
    "  OR length(category) > 2048;"
    "CREATE INDEX articles_by_link ON articles(feed_id, substr(link, 1, 256)) WHERE stored = 1;"
    "UPDATE articles SET text_size = varlo_article_cost("
    "  length(coalesce(key, x'')) + length(title) + length(link) + length(author) + "
    "  length(category) + length(coalesce(server_id, x'')), length(link), length(title), "
    "  coalesce((SELECT length(html) FROM article_texts t WHERE t.id = articles.id), 0)) "
    "  WHERE stored = 1;"
    "INSERT INTO article_search(article_search, rank) VALUES('automerge', 2);";

// The search index emptied by hand, for a repair when the index cannot read the record of its
// segments (row 10 of its data) to empty itself: the record of an index of no segments is a
// cookie of four bytes and three zero counts.
inline constexpr const char* kEmptySearchIndex =
    "DELETE FROM article_search_data;"
    "DELETE FROM article_search_idx;"
    "INSERT INTO article_search_data(id, block) VALUES(10, x'00000000000000');";

// Whether the article `a` is unread, or read (for a column or a condition).
inline constexpr const char* kArticleUnread = "EXISTS (SELECT 1 FROM unread u WHERE u.id = a.id)";
inline constexpr const char* kArticleRead = "NOT EXISTS (SELECT 1 FROM unread u WHERE u.id = a.id)";

}  // namespace varlo
