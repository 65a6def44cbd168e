#pragma once
// The schema step that keeps the whole article fetched from its page beside the feed's text.

namespace varlo {

// 9 -> 10: the whole article of a page, kept apart from the feed's text, which stays and is what
// the feed's page shows. The search index holds the whole article instead of the feed's text
// where there is one: the view it reads from takes it first, and every trigger that takes words
// out of the index takes them from that view, so that what goes out is what went in. A change of
// the feed's text leaves the index alone while a whole article stands in for it.
inline constexpr const char* kFullTextMigration =
    "CREATE TABLE article_full_texts ("
    "  id INTEGER PRIMARY KEY,"
    "  html BLOB NOT NULL);"
    "DROP VIEW article_content;"
    "CREATE VIEW article_content AS SELECT a.id AS id, a.title AS title, "
    "  coalesce(f.html, t.html) AS html FROM articles a JOIN article_texts t ON t.id = a.id "
    "  LEFT JOIN article_full_texts f ON f.id = a.id;"
    "DROP TRIGGER article_texts_search_update;"
    "CREATE TRIGGER article_texts_search_update AFTER UPDATE OF html ON article_texts "
    "  WHEN NOT EXISTS (SELECT 1 FROM article_full_texts WHERE id = new.id) BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', old.id, title, old.html FROM articles WHERE id = old.id;"
    "  INSERT INTO article_search(rowid, title, html) "
    "  SELECT new.id, title, new.html FROM articles WHERE id = new.id;"
    "END;"
    "DROP TRIGGER articles_search_update;"
    "CREATE TRIGGER articles_search_update AFTER UPDATE OF title ON articles BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', old.id, old.title, html FROM article_content WHERE id = old.id;"
    "  INSERT INTO article_search(rowid, title, html) "
    "  SELECT new.id, new.title, html FROM article_content WHERE id = new.id;"
    "END;"
    "DROP TRIGGER articles_search_delete;"
    "CREATE TRIGGER articles_search_delete BEFORE DELETE ON articles BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', old.id, old.title, html FROM article_content WHERE id = old.id;"
    "END;"
    "CREATE TRIGGER articles_take_full_texts AFTER DELETE ON articles BEGIN "
    "  DELETE FROM article_full_texts WHERE id = old.id;"
    "END;"
    "CREATE TRIGGER article_full_texts_search_insert AFTER INSERT ON article_full_texts BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', a.id, a.title, t.html FROM articles a "
    "  JOIN article_texts t ON t.id = a.id WHERE a.id = new.id;"
    "  INSERT INTO article_search(rowid, title, html) "
    "  SELECT a.id, a.title, new.html FROM articles a "
    "  JOIN article_texts t ON t.id = a.id WHERE a.id = new.id;"
    "END;"
    "CREATE TRIGGER article_full_texts_search_update AFTER UPDATE OF html ON article_full_texts "
    "  BEGIN "
    "  INSERT INTO article_search(article_search, rowid, title, html) "
    "  SELECT 'delete', a.id, a.title, old.html FROM articles a "
    "  JOIN article_texts t ON t.id = a.id WHERE a.id = old.id;"
    "  INSERT INTO article_search(rowid, title, html) "
    "  SELECT a.id, a.title, new.html FROM articles a "
    "  JOIN article_texts t ON t.id = a.id WHERE a.id = new.id;"
    "END;";

}  // namespace varlo
