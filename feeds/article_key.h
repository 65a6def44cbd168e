#pragma once
// The stable key of an article: what tells an article seen before from a new one, whatever else
// about it changed. Its `guid` or Atom `id`; else its link, decoded and trimmed; else its title
// with its date text as written, or its title alone when undated. Never the time of reading, which
// would make every article new at each download. The readers give each article its key as they
// read it, so nothing downstream walks the XML again.

#include <string_view>

#include "platform/text.h"
#include "xml/element.h"

namespace varlo {

// The key made of what identifies an article: `id` and `link` are the texts of its id and address
// as written ("" where it has none), `title` and `date` its elements (null where it has none).
Text ArticleKeyFrom(std::string_view id, std::string_view link, const CMXMLElement* title,
                    const CMXMLElement* date);

// The key of an Atom 0.3 or 1.0 "entry". Its elements are looked for anywhere below the entry, as
// keys have always been made, so that the articles a store has seen keep their keys.
Text AtomEntryKey(const CMXMLElement& entry, bool atom03);

}  // namespace varlo
