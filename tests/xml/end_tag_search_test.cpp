#include <gtest/gtest.h>

#include <random>
#include <string>

#include "xml/document.h"
#include "xml/element.h"
#include "xml/end_tag_search.h"
#include "xml/node.h"
#include "xml/tag_scan.h"

namespace varlo {
namespace {

// Every place where the reader searches for an end tag: a "<" followed by a name and the byte
// that ends the name.
struct Start {
    size_t after;  // position right after the name
    std::string name;
};

std::vector<Start> ElementStarts(std::string_view text) {
    std::vector<Start> starts;
    for (size_t p = text.find('<'); p != std::string_view::npos; p = text.find('<', p + 1)) {
        const size_t k = text.find_first_of("> \t\r\n", p + 1);
        if (k == std::string_view::npos) break;
        const std::string_view name = text.substr(p + 1, k - p - 1);
        if (name.empty() || name.find('<') != std::string_view::npos) continue;
        starts.push_back({k, std::string(name)});
    }
    return starts;
}

TEST(EndTagSearch, TheIndexFindsWhatTheScanFindsOnRandomMarkup) {
    const char* pieces[] = {"<a",   "<A",  "</a>",   "</A >",      "<ab",        "</ab>",
                            "<a/>", "<",   ">",      "x",          " ",          "/",
                            "'",    "=",   "\"",     "<b",         "</b>",       "\n",
                            "<!--", "-->", "</a\n>", "<a x='1'/>", "<a x=\">\">"};
    std::mt19937 random(17);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> pieceCount(1, 60);
    size_t compared = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = pieceCount(random); i > 0; --i) text += pieces[pick(random)];
        EndTagSearch indexed(text, 0);
        for (const Start& start : ElementStarts(text)) {
            const std::string_view rest = std::string_view(text).substr(start.after);
            size_t length = 0;
            const std::ptrdiff_t scanned = FindEndTag(rest, start.name, &length);
            const EndTagMatch match = indexed.Find(rest, start.name);
            ASSERT_EQ(match.Found(), scanned >= 0) << text << " / " << start.name;
            if (scanned >= 0) {
                EXPECT_EQ(match.start, static_cast<size_t>(scanned)) << text;
                EXPECT_EQ(match.length, length) << text;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 10000u);
}

TEST(EndTagSearch, ALongDocumentWithSelfClosingTagsIsSearchedAsTheScanSearchesIt) {
    // Past 64 KB, a self-closing tag makes the table of last end tags before its search, and the
    // table answers names it met before from a memo of their bytes: names of either case, end
    // tags that do and do not follow, a self-closing tag that a later end tag still closes, and
    // more names than the memo has places.
    std::vector<std::string> pieces = {
        "<link href='x'/>", "<Link/>", "</link>", "</LINK >", "<link>", "<entry>", "</entry>",
        "<id>u</id>",       "text ",   "<b/>",    "</b>",     "<ID>",   "</Id>",   "\n"};
    for (int k = 0; k < 100; ++k) {
        const std::string name = "n" + std::to_string(k);
        pieces.insert(pieces.end(), {"<" + name + "/>", "</" + name + ">", "<N" + name + ">"});
    }
    std::mt19937 random(29);
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
    for (int round = 0; round < 4; ++round) {
        std::string text = "<link rel='self' href='x'/>";
        while (text.size() < 80000) text += pieces[pick(random)];
        EndTagSearch search(text);
        const std::vector<Start> starts = ElementStarts(text);
        for (size_t i = 0; i < starts.size(); i += 1 + starts.size() / 400) {
            const Start& start = starts[i];
            const std::string_view rest = std::string_view(text).substr(start.after);
            size_t length = 0;
            bool firstTag = false;
            const std::ptrdiff_t scanned = FindEndTag(rest, start.name, &length, &firstTag);
            const EndTagMatch match = search.Find(rest, start.name);
            ASSERT_EQ(match.Found(), scanned >= 0) << round << " / " << start.after;
            if (scanned < 0) continue;
            EXPECT_EQ(match.start, static_cast<size_t>(scanned));
            EXPECT_EQ(match.length, length);
            // The content is plain text exactly when no "<" comes before the end tag.
            EXPECT_EQ(match.firstTag, rest.find('<') == static_cast<size_t>(scanned));
        }
    }
}

TEST(EndTagSearch, AnEmptyNameIsAskedOfTheTableLikeAnyOther) {
    // The search for "x" finds nothing and makes the table; the name of "<>" is empty, as the
    // memo's places are before they are first filled, and once crashed the reader, whether or
    // not an end tag "</>" stands in the text. The trees are those the reader gives without it.
    const std::pair<const char*, const char*> cases[] = {
        {"<r><x><>a<y/></r>", "<r><x />a<y /></r>"},
        {"<r><x><>a</><y/></r>", "<r><x /><y /></r>"},
    };
    for (const auto& [text, tree] : cases) {
        CMXMLDocument doc;
        doc.ParseXML(text);
        ASSERT_NE(doc.GetDocumentElement(), nullptr) << text;
        EXPECT_EQ(doc.GetDocumentElement()->GetXML(), tree) << text;
    }
}

// Shapes that made every search rescan the rest of the document: each is read in one pass now,
// and still gives the tree the reader always gave.
TEST(EndTagSearch, UnclosedOpeningsBeforeOneEndTagReadAsSiblings) {
    std::string markup = "<r>";
    const int count = 200000;  // 600 KB: quadratic rescanning would take minutes
    for (int i = 0; i < count; ++i) markup += "<a>";
    markup += "x</a></r>";
    const CMXMLElement root(markup);
    ASSERT_EQ(root.GetChildNodes().GetCount(), count);
    const CMXMLNode* last = root.GetChildNodes().Item(count - 1);
    EXPECT_EQ(last->GetText(), "x");
    EXPECT_FALSE(static_cast<const CMXMLElement*>(root.GetChildNodes().Item(0))->HasEndTag());
}

TEST(EndTagSearch, DistinctUnclosedNamesWithLaterEndTagsReadAsSiblings) {
    std::string markup = "<r>";
    const int count = 20000;
    for (int i = 0; i < count; ++i)
        markup += "<n" + std::to_string(i) + "><n" + std::to_string(i) + ">";
    for (int i = 0; i < count; ++i) markup += "</n" + std::to_string(i) + ">";
    markup += "</r>";
    const CMXMLElement root(markup);
    EXPECT_EQ(root.GetFirstChild()->GetNodeName(), "n0");
    EXPECT_FALSE(static_cast<const CMXMLElement*>(root.GetFirstChild())->HasEndTag());
}

TEST(EndTagSearch, DeepNestingInsideTheCapIsReadWhole) {
    std::string markup;
    const int levels = 200;
    const int repeats = 2000;
    for (int r = 0; r < repeats; ++r) {
        for (int i = 0; i < levels; ++i) markup += "<d>";
        markup += "x";
        for (int i = 0; i < levels; ++i) markup += "</d>";
    }
    const CMXMLElement root("<r>" + markup + "</r>");
    ASSERT_EQ(root.GetChildNodes().GetCount(), repeats);
    int depth = 0;
    for (const CMXMLNode* node = root.GetFirstChild(); node && node->GetNodeType() == kElementNode;
         node = node->GetFirstChild())
        ++depth;
    EXPECT_EQ(depth, levels);
}

}  // namespace
}  // namespace varlo
