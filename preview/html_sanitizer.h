#pragma once
// Making feed HTML safe to show: an allow-list sanitizer for article markup, escaping for texts
// and a check of the addresses that links and images may point to. Everything here works on UTF-8.

#include <string>
#include <string_view>

namespace varlo {

// What an address is used for: links may be http, https or mailto; images only http or https.
enum class UrlUse { Link, Image };

// Well-formed HTML holding only allowed elements and attributes of `utf8Html`: scripts, styles,
// frames, plug-ins, forms and foreign content are dropped with their content, other unknown
// elements lose their tags but keep their text, and every link and image address passes
// `CheckedUrl` (relative ones resolved against `baseUrl`, an absolute http or https address, or
// dropped without one). Entity references stay references; every opened element is closed.
std::string SanitizeHtml(std::string_view utf8Html, std::string_view baseUrl = {});

// The absolute address a browser should follow for the attribute value `value`: references
// decoded, tabs and line breaks removed, surrounding spaces and control characters trimmed, a
// relative address resolved against `baseUrl` (when that is http or https). Empty when the result
// has a scheme that `use` does not allow, or is relative with no usable base.
std::string CheckedUrl(std::string_view value, UrlUse use, std::string_view baseUrl = {});

// Text for an HTML text or quoted attribute value, shown as written: markup characters escaped,
// while well-formed entity and character references stay references (the feed texts arrive with
// their references as written in the XML).
std::string EscapeHtmlText(std::string_view utf8);

// Text escaped so that the browser receives exactly these characters: every "&" is escaped too.
// For addresses returned by `CheckedUrl`.
std::string EscapeHtml(std::string_view utf8);

// True when the text holds something that looks like a tag ("<" followed by a letter, "/" or
// "!"), so that it is to be read as HTML rather than as plain text.
bool LooksLikeHtml(std::string_view utf8);

}  // namespace varlo
