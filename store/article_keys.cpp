#include "store/article_keys.h"

#include <string_view>

#include "feeds/element_lookup.h"
#include "xml/document.h"
#include "xml/element.h"

namespace varlo {
namespace {

// The feed reader stops at this many articles; keys beyond it would mark rows that never show.
constexpr size_t kMaxArticles = 100000;

// The five XML references and ASCII numeric ones decoded once, so that "a?x=1&amp;y=2" and the
// same address written in CDATA give one key.
Text DecodeAddress(std::string_view text) {
    text = Trim(text);
    Text out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const size_t semicolon = text.find(';', i);
        if (semicolon == std::string_view::npos || semicolon - i > 10) {
            out += '&';
            continue;
        }
        const std::string_view name = text.substr(i + 1, semicolon - i - 1);
        char c = 0;
        if (name == "amp")
            c = '&';
        else if (name == "lt")
            c = '<';
        else if (name == "gt")
            c = '>';
        else if (name == "quot")
            c = '"';
        else if (name == "apos")
            c = '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            unsigned long value = 0;
            bool digits = name.size() > (hex ? 2u : 1u);
            for (char d : name.substr(hex ? 2 : 1)) {
                int v = d >= '0' && d <= '9'          ? d - '0'
                        : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                        : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                      : -1;
                if (v < 0) digits = false;
                value = value * (hex ? 16 : 10) + static_cast<unsigned long>(v < 0 ? 0 : v);
            }
            if (digits && value > 0 && value < 0x80) c = static_cast<char>(value);
        }
        if (c == 0) {
            out += '&';
            continue;
        }
        out += c;
        i = semicolon;
    }
    return Text(Trim(out));
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

bool ArticleKeysOf(const CMXMLDocument& document, std::vector<Text>* keys) {
    keys->clear();
    const CMXMLElement* root = document.GetDocumentElement();
    if (root == nullptr) return false;
    // The same elements, found the same way, as the feed reader takes its articles from.
    if (root->NodeName() == "feed") {
        const bool atom03 = root->GetAttribute("version") == "0.3";
        WalkElements(*root, [&](const CMXMLElement& element) {
            if (element.NodeName() == "entry") keys->push_back(AtomKey(element, atom03));
            return keys->size() >= kMaxArticles;
        });
        return true;
    }
    if (root->FindFirstElement("channel") == nullptr) return false;
    WalkElements(*root, [&](const CMXMLElement& element) {
        if (element.NodeName() == "item") keys->push_back(RssKey(element));
        return keys->size() >= kMaxArticles;
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
