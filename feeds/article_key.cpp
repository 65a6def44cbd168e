#include "feeds/article_key.h"

#include "feeds/display_form.h"
#include "feeds/element_lookup.h"

namespace varlo {
Text ArticleKeyFrom(std::string_view id, std::string_view link, const CMXMLElement* title,
                    const CMXMLElement* date) {
    if (const std::string_view key = Trim(id); !key.empty()) return Text(key);
    // An address as the user opens it: references decoded once and white space trimmed, so that
    // "a?x=1&amp;y=2" and the same address written in CDATA give one key.
    if (Text address = DisplayLink(link); !address.empty()) return address;
    Text key = title != nullptr ? Text(Trim(TextOf(*title))) : Text();
    if (date != nullptr) {
        // A tab never survives in a trimmed title's end, so title and date cannot run together.
        key += '\t';
        key += TextOf(*date);
    }
    return key;
}

Text AtomEntryKey(const CMXMLElement& entry, bool atom03) {
    enum { kId, kTitle, kUpdated, kPublished };
    const auto found = atom03 ? FindFirstOfEach<4>(entry, {"id", "title", "modified", "issued"})
                              : FindFirstOfEach<4>(entry, {"id", "title", "updated", "published"});
    const CMXMLElement* alternate = FindFirstWithAttribute(entry, "link", "rel", {"alternate", ""});
    const Text link = alternate != nullptr ? alternate->GetAttribute("href") : Text();
    const Text id = found[kId] != nullptr ? TextOf(*found[kId]) : Text();
    return ArticleKeyFrom(id, link, found[kTitle],
                          found[kUpdated] ? found[kUpdated] : found[kPublished]);
}

}  // namespace varlo
