#pragma once
// The store as it was before rules: tests of older migrations go back through it first.

namespace varlo::test {

inline constexpr const char* kBackBeforeRules =
    "DROP TRIGGER feeds_take_rules;"
    "DROP TABLE rules;"
    "DROP TABLE rule_site_categories;"
    "DROP INDEX articles_hidden;"
    "DROP INDEX unread_by_time;"
    "DROP TRIGGER articles_start_unread;"
    "DROP TRIGGER articles_unread_follows;"
    "ALTER TABLE articles DROP COLUMN hidden;"
    "ALTER TABLE articles DROP COLUMN notify_rule;"
    "ALTER TABLE unread DROP COLUMN hidden;"
    "CREATE INDEX unread_by_time ON unread(sort_time DESC, id DESC) WHERE stored = 1;"
    "CREATE TRIGGER articles_start_unread AFTER INSERT ON articles BEGIN "
    "  INSERT INTO unread(id, feed_id, sort_time, stored, synced) "
    "  VALUES(new.id, new.feed_id, new.sort_time, new.stored, new.server_id IS NOT NULL);"
    "END;"
    "CREATE TRIGGER articles_unread_follows AFTER UPDATE OF sort_time, stored, server_id "
    "  ON articles BEGIN "
    "  UPDATE unread SET sort_time = new.sort_time, stored = new.stored, "
    "    synced = new.server_id IS NOT NULL WHERE id = new.id;"
    "END;"
    "PRAGMA user_version=11;";

}  // namespace varlo::test
