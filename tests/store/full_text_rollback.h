#pragma once
// A store of the current schema taken back to the one before whole articles were kept (the steps
// after it undone first), for tests that take a store further back to check the steps after it.

namespace varlo::test {

inline constexpr const char* kBackBeforeFullTexts =
    "DROP TABLE site_settings;"
    "DROP TRIGGER article_full_texts_search_insert;"
    "DROP TRIGGER article_full_texts_search_update;"
    "DROP TRIGGER articles_take_full_texts;"
    "DROP TABLE article_full_texts;"
    "DROP VIEW article_content;"
    "CREATE VIEW article_content AS SELECT a.id AS id, a.title AS title, t.html AS html "
    "  FROM articles a JOIN article_texts t ON t.id = a.id;"
    "DROP TRIGGER article_texts_search_update;"
    "CREATE TRIGGER article_texts_search_update AFTER UPDATE OF html ON article_texts BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', old.id, title, old.html FROM articles WHERE id = old.id;"
    "  INSERT INTO article_search(rowid, title, html) "
    "  SELECT new.id, title, new.html FROM articles WHERE id = new.id;"
    "END;"
    "DROP TRIGGER articles_search_update;"
    "CREATE TRIGGER articles_search_update AFTER UPDATE OF title ON articles BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', old.id, old.title, html FROM article_texts WHERE id = old.id;"
    "  INSERT INTO article_search(rowid, title, html) "
    "  SELECT new.id, new.title, html FROM article_texts WHERE id = new.id;"
    "END;"
    "DROP TRIGGER articles_search_delete;"
    "CREATE TRIGGER articles_search_delete BEFORE DELETE ON articles BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', old.id, old.title, html FROM article_texts WHERE id = old.id;"
    "END;"
    "PRAGMA user_version=9;";

}  // namespace varlo::test
