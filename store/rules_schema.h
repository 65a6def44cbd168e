#pragma once
// The schema step of the rules and of hidden articles.

namespace varlo {

// The rules in their order, each with its conditions as a JSON list ({"field","test","value"}),
// and which categories of the open subscription file hold each site, so that a rule over a
// category finds its sites on any connection. A rule over one site goes when the store forgets
// the site. An article a rule hides keeps its place in its site and its marks; the unread set
// keeps a copy of the flag, so that the unread view and the counts leave it out through their
// own indexes. The hidden articles have an index of their own for their view. An article a rule
// asked to tell of names the rule, so that the window finds what an update brought for it.
inline constexpr const char* kRulesMigration =
    "CREATE TABLE rules ("
    "  id INTEGER PRIMARY KEY,"
    "  position INTEGER NOT NULL,"
    "  name BLOB NOT NULL,"
    "  enabled INTEGER NOT NULL,"
    "  scope BLOB NOT NULL,"
    "  scope_value BLOB NOT NULL DEFAULT x'',"
    "  conditions BLOB NOT NULL,"
    "  action BLOB NOT NULL,"
    "  revision INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE rule_site_categories ("
    "  url BLOB NOT NULL,"
    "  category BLOB NOT NULL,"
    "  PRIMARY KEY (url, category)) WITHOUT ROWID;"
    "CREATE TRIGGER feeds_take_rules AFTER DELETE ON feeds BEGIN "
    "  DELETE FROM rules WHERE CAST(scope AS TEXT) = 'site' AND scope_value = old.url;"
    "END;"
    "ALTER TABLE articles ADD COLUMN hidden INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE articles ADD COLUMN notify_rule INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE unread ADD COLUMN hidden INTEGER NOT NULL DEFAULT 0;"
    "DROP INDEX unread_by_time;"
    "CREATE INDEX unread_by_time ON unread(sort_time DESC, id DESC) WHERE stored = 1 AND "
    "  hidden = 0;"
    "CREATE INDEX articles_hidden ON articles(sort_time DESC, id DESC) WHERE hidden = 1 AND "
    "  stored = 1;"
    "DROP TRIGGER articles_start_unread;"
    "CREATE TRIGGER articles_start_unread AFTER INSERT ON articles BEGIN "
    "  INSERT INTO unread(id, feed_id, sort_time, stored, synced, hidden) "
    "  VALUES(new.id, new.feed_id, new.sort_time, new.stored, new.server_id IS NOT NULL, "
    "    new.hidden);"
    "END;"
    "DROP TRIGGER articles_unread_follows;"
    "CREATE TRIGGER articles_unread_follows AFTER UPDATE OF sort_time, stored, server_id, hidden "
    "  ON articles BEGIN "
    "  UPDATE unread SET sort_time = new.sort_time, stored = new.stored, "
    "    synced = new.server_id IS NOT NULL, hidden = new.hidden WHERE id = new.id;"
    "END;";

}  // namespace varlo
