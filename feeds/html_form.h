#pragma once
// The HTML form of a feed's descriptions and contents, built at read time from the element, where
// it is still known which parts were CDATA sections and which markup was XML.

#include "feeds/rss_item.h"
#include "platform/text.h"
#include "xml/element.h"

namespace varlo {

// How an Atom text construct is written: by "type" ("text", "html", "xhtml" or a media type) and,
// for Atom 0.3, "mode" ("escaped", "xml", "base64").
int AtomTextKind(const CMXMLElement& element, bool atom03);

// The element's content as HTML (code page 932, not yet sanitized), read as `kind` says:
// - html: text parts have their references decoded once (they hold HTML escaped for XML), CDATA
//   parts are HTML already;
// - text: the text with its references decoded, escaped for HTML;
// - xhtml: the markup inside the element (inside its one "div", when it has one), names without
//   their namespace prefixes.
// A character that code page 932 lacks stays a numeric reference, which HTML reads the same.
Text HtmlForm(const CMXMLElement& element, int kind);

// How the HTML form of `element` read as `kind` follows from its text (as TakeText gives it), or
// kHtmlHeld when it does not and must be held (HtmlForm then gives it): it follows when the
// element holds one run of text, or only CDATA sections.
HtmlSource HtmlFormSource(const CMXMLElement& element, int kind);

// Sets the HTML form of an article's description, or of its content, from `element` read as
// `kind`; the text is set already.
void TakeDescriptionHtml(const CMXMLElement& element, int kind, CRssItem& item);
void TakeContentHtml(const CMXMLElement& element, int kind, CRssItem& item);

// Appends `text` with the characters that mean markup in HTML (< > & ") escaped.
void AppendHtmlEscaped(Text& out, std::string_view text);

// The xml:base in effect at `element` (its own or its nearest ancestors', relative ones resolved
// against those further out), in display form; empty when no element on the way has one.
Text BaseOf(const CMXMLElement& element);

}  // namespace varlo
