#include "store/article_keys.h"

#include <string_view>

#include "feeds/display_form.h"
#include "feeds/element_lookup.h"
#include "feeds/rss_file.h"
#include "xml/document.h"
#include "xml/element.h"

namespace varlo {
namespace {

// An address as the user opens it: references decoded once and white space trimmed, so that
// "a?x=1&amp;y=2" and the same address written in CDATA give one key.
Text DecodeAddress(std::string_view text) {
    return DisplayLink(text);
}

Text Trimmed(const CMXMLElement* element) {
    if (element == nullptr) return {};
    return Text(Trim(TextOf(*element)));
}

Text KeyFrom(const CMXMLElement* id, Text link, const CMXMLElement* title,
             const CMXMLElement* date) {
    if (Text key = Trimmed(id); !key.empty()) return key;
    if (!link.empty()) return link;
    Text key = Trimmed(title);
    if (date != nullptr) {
        // A tab never survives in a trimmed title's end, so title and date cannot run together.
        key += '\t';
        key += TextOf(*date);
    }
    return key;
}

Text RssKey(const CMXMLElement& item) {
    enum { kGuid, kLink, kTitle, kPubDate, kDcDate };
    const auto found = FindFirstOfEach<5>(item, {"guid", "link", "title", "pubDate", "dc:date"});
    const Text link = found[kLink] ? DecodeAddress(TextOf(*found[kLink])) : Text();
    return KeyFrom(found[kGuid], link, found[kTitle],
                   found[kPubDate] ? found[kPubDate] : found[kDcDate]);
}

Text AtomKey(const CMXMLElement& entry, bool atom03) {
    enum { kId, kTitle, kUpdated, kPublished };
    const auto found = atom03 ? FindFirstOfEach<4>(entry, {"id", "title", "modified", "issued"})
                              : FindFirstOfEach<4>(entry, {"id", "title", "updated", "published"});
    Text link;
    if (const CMXMLElement* alternate =
            FindFirstWithAttribute(entry, "link", "rel", {"alternate", ""})) {
        link = DecodeAddress(alternate->GetAttribute("href"));
    }
    return KeyFrom(found[kId], link, found[kTitle],
                   found[kUpdated] ? found[kUpdated] : found[kPublished]);
}

}  // namespace

uint64_t HashArticleKey(std::string_view key) {
    // FNV-1a over the bytes, then a final mix so that keys differing only at the end still
    // differ in every bit.
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ULL;
    hash ^= hash >> 33;
    return hash;
}

bool ArticleKeysOf(const CMXMLDocument& document, std::vector<Text>* keys) {
    keys->clear();
    const CMXMLElement* root = document.GetDocumentElement();
    if (root == nullptr) return false;
    // The same elements, found the same way, as the feed reader takes its articles from.
    if (root->NodeName() == "feed") {
        const bool atom03 = root->GetAttribute("version") == "0.3";
        WalkElements(*root, [&](const CMXMLElement& element) {
            if (element.NodeName() == "entry") keys->push_back(AtomKey(element, atom03));
            // The reader stops at this many articles; keys beyond would mark rows that never show.
            return keys->size() >= static_cast<size_t>(kMaxArticles);
        });
        return true;
    }
    if (root->FindFirstElement("channel") == nullptr) return false;
    WalkElements(*root, [&](const CMXMLElement& element) {
        if (element.NodeName() == "item") keys->push_back(RssKey(element));
        return keys->size() >= static_cast<size_t>(kMaxArticles);
    });
    return true;
}

bool ReadArticleKeys(const std::string& path, std::vector<Text>* keys) {
    keys->clear();
    CMXMLDocument document;
    if (!document.LoadFile(path)) return false;
    return ArticleKeysOf(document, keys);
}

}  // namespace varlo
