#pragma once
// Markup escaping of the texts in a subscription file. The XML tree keeps every value exactly as
// written, so the subscription file escapes what it writes and decodes what it reads: any text a
// user can type survives a save and a reopen, and other OPML tools can read the file.

#include <string_view>

#include "platform/text.h"

namespace varlo {

// The text as an attribute value between double quotes: "&" (except where it begins a carried
// reference to a character code page 932 lacks), "<", ">" and the double quote become references,
// and so do tab, line feed and carriage return (which XML readers would otherwise turn into spaces)
// and other control characters. Zero bytes, which no XML file may hold, are dropped.
Text EscapeOpmlAttribute(std::string_view text);

// The text as element content: "&" (except where it begins a carried reference), "<" and ">"
// become references, and so does carriage return
// (which XML readers would otherwise turn into a line feed) and other control characters except
// tab and line feed. Zero bytes are dropped.
Text EscapeOpmlContent(std::string_view text);

// Decodes the five predefined references (&amp; &lt; &gt; &quot; &apos;) and numeric references
// (&#N; and &#xH;) whose character code page 932 can hold. Anything else, a bare "&" or an
// unknown name among them, stays exactly as written, so text without references comes back
// unchanged.
Text DecodeOpmlReferences(std::string_view text);

}  // namespace varlo
