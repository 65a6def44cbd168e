#pragma once
// A web page as a tree of elements and texts, read by an HTML5 parser, with what its head says
// about it (meta elements, the title, the base address, linked data) kept on the side. Script,
// style, frames, plug-ins and form controls never enter the tree: nothing of them is ever shown.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varlo {

struct PageNode {
    std::string name;  // lower-case element name; empty for a text
    std::string text;  // a text's characters (UTF-8), runs of white space made one space
    std::vector<std::pair<std::string, std::string>> attributes;  // names lower-case
    int parent = -1;
    std::vector<int> children;
    bool removed = false;  // taken out of the page, with everything inside

    bool IsText() const { return name.empty(); }
    // The value of the attribute `key`; empty when the element has none.
    std::string_view Attribute(std::string_view key) const;
    void SetAttribute(std::string_view key, std::string value);
};

struct PageTree {
    // nodes[0] is the body; a parent always comes before its children, so a walk backwards
    // over the vector visits every child before its parent.
    std::vector<PageNode> nodes;
    std::vector<std::pair<std::string, std::string>> metas;  // meta name or property, content
    std::vector<std::string> linkedData;                     // application/ld+json scripts
    std::string title;                                       // the <title> element's text
    std::string baseHref;                                    // the first <base href>, as written

    // The content of the first meta element named `key` (lower-case); empty when none.
    std::string_view Meta(std::string_view key) const;
    // Adds a new node under `parent` (at the end of its children) and returns its index.
    int Append(int parent, PageNode node);
};

enum class PageParse {
    Ok,
    TooLarge,  // more than kMaxPageBytes
    TooDeep,   // elements nested deeper than kMaxPageDepth
    NotHtml,   // binary data, not text
};

// Pages larger than this are refused rather than read: no article needs more.
inline constexpr size_t kMaxPageBytes = size_t{16} << 20;
// The HTML5 parser's time grows with the square of the nesting depth; no real page comes near.
inline constexpr int kMaxPageDepth = 3000;

// Reads the UTF-8 page `utf8` into `tree`.
PageParse ParsePage(std::string_view utf8, PageTree& tree);

// An estimate, from the markup alone, of how deep the page nests its elements: elements that
// close themselves (p, li, td and the like) and empty ones are not counted, text inside script,
// style and comments is skipped. Stops counting once past `limit`.
int EstimatedNestingDepth(std::string_view html, int limit);

}  // namespace varlo
