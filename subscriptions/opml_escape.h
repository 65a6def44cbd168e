#pragma once
// Markup escaping of the texts in a subscription file. The XML tree keeps every value exactly as
// written, so the subscription file escapes what it writes and decodes what it reads: any text a
// user can type survives a save and a reopen, and other OPML tools can read the file.

#include <string_view>

#include "platform/text.h"

namespace varlo {

// The text as an attribute value between double quotes: "&" (except where it begins a carried
// reference to a character code page 932 lacks), "<", ">" and the double quote become references,
// and so do tab, line feed and carriage return (which XML readers would otherwise turn into
// spaces). A carried "&" (kCarriedAmpersand before a look-alike) is written "&amp;". Characters no
// XML 1.0 file may hold (zero bytes, the other control characters, U+FFFE, U+FFFF) are left out,
// and counted in `*leftOut` when given.
Text EscapeOpmlAttribute(std::string_view text, int* leftOut = nullptr);

// The text as element content: as EscapeOpmlAttribute, except that the double quote, tab and line
// feed stay as they are (carriage return, which XML readers would turn into a line feed, still
// becomes a reference).
Text EscapeOpmlContent(std::string_view text, int* leftOut = nullptr);

// Decodes the five predefined references (&amp; &lt; &gt; &quot; &apos;) and numeric references
// (&#N; and &#xH;) whose character code page 932 can hold. Anything else, a bare "&" or an
// unknown name among them, stays exactly as written, so text without references comes back
// unchanged; a reference to a character code page 932 lacks stays as the carried character. An
// "&" decoded before what would read as one ("&amp;#x1F600;") becomes kCarriedAmpersand, so that
// it stays text.
Text DecodeOpmlReferences(std::string_view text);

}  // namespace varlo
