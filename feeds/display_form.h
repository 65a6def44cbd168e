#pragma once
// The display form: feed text as the user sees it. The XML tree and the feed model keep text as
// written (references undecoded); text becomes what the user sees here, in one place, so that
// every pane, the preview page and varlo-cli agree. Input and output are code page 932 text; a
// character that the code page lacks comes out in its carried form ("&#x1F600;").

#include <string_view>

#include "platform/text.h"

namespace varlo {

class CRssFile;
class CRssItem;
struct MediaLink;

// `text` with every well-formed reference decoded exactly once: the XML ones, the named ones of
// HTML and numeric ones (decimal and hex). Anything that is not a well-formed reference, such as
// a lone "&" or an unknown name, stays as written.
Text DecodeReferences(std::string_view text);

// Plain text with its references as written, as HTML text: references decoded once and the
// result escaped ("<", ">", "&", '"'), except that a character code page 932 lacks becomes a
// numeric reference, which HTML reads as that character.
Text DecodeToHtmlText(std::string_view text);

// The plain text a user sees for a title, an author or a category: references decoded once,
// markup ("<b>", "</a>", comments) removed, runs of white space made one space, both ends trimmed,
// and UTF-8 that was encoded twice ("FÃ³rmula") read once.
Text DisplayText(std::string_view raw);

// The plain text a user sees for a title written as `kind` (a TextKind), on one line as above.
// HTML (every RSS title, Atom "html") shows as a browser shows it: references decoded, markup
// removed, then the references of the HTML decoded once more ("&amp;amp;" shows "&"); angle
// brackets around words that are no HTML stay ("Option<T>"). XHTML shows the text of its markup
// with its references decoded twice alike. Plain text ("text") is decoded exactly once and keeps
// everything its author wrote ("&amp;lt;" shows "&lt;", "<b>" shows "<b>").
Text DisplayTitle(std::string_view raw, int kind);

// The address a link opens: references decoded once, white space around it trimmed, and, when it
// is relative and `base` is given, resolved against `base` (which is itself in display form).
Text DisplayLink(std::string_view raw, std::string_view base = {});

// The address the feed's link opens: resolved against its xml:base, else the feed's own address.
Text DisplayLinkOf(const CRssFile& feed);

// The address an article's link opens: resolved against its xml:base (itself resolved against the
// feed's own address), else against the feed's own address.
Text DisplayLinkOf(const CRssFile& feed, const CRssItem& item);

// The address a file an article carries opens, as a link's: resolved against its xml:base
// (itself resolved against the feed's own address), else against the feed's own address.
Text DisplayLinkOf(const CRssFile& feed, const MediaLink& media);

// The base for relative addresses inside an article's description or content: its xml:base, else
// its own link when that is a web address, else the feed's address, else the feed's link; empty
// when none is known.
Text ContentBaseOf(const CRssFile& feed, const CRssItem& item);

}  // namespace varlo
