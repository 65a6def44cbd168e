#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/allocator.h"
#include "xml/document.h"

namespace varlo {
namespace {

// Every node of a subtree, the root included.
template <typename Visit>
void ForEachNode(const CMXMLNode& root, Visit visit) {
    visit(root);
    for (const CMXMLNode* child = root.GetFirstChild(); child; child = child->GetNextSibling())
        ForEachNode(*child, visit);
}

constexpr std::string_view kFeed =
    "<rss version=\"2.0\"><channel><title>A long title of the channel, over fifteen bytes</title>"
    "<item><title>An article with a title longer than a short string</title>"
    "<description><![CDATA[<p>Some text of the article, long enough to be stored apart.</p>]]>"
    "</description><!-- a comment of some length, written by the generator --></item>"
    "</channel></rss>";

TEST(XmlNodeText, ADocumentsNodesPointIntoItsTextInsteadOfCopyingIt) {
    CMXMLDocument document;
    document.ParseXML(std::string(kFeed));
    ASSERT_NE(document.GetDocumentElement(), nullptr);
    size_t nodes = 0;
    ForEachNode(*document.GetDocumentElement(), [&](const CMXMLNode& node) {
        ++nodes;
        if (node.GetNodeType() != kElementNode) {
            EXPECT_EQ(node.HeapBytes(), 0u) << node.GetNodeName();
            return;
        }
        const auto& element = static_cast<const CMXMLElement&>(node);
        EXPECT_EQ(element.NameHeapBytes(), 0u) << node.GetNodeName();
        for (int i = 0; i < element.GetAttributeCount(); ++i)
            EXPECT_EQ(element.GetAttributeAt(i).HeapBytes(), 0u) << node.GetNodeName();
    });
    EXPECT_EQ(nodes, 10u);
    EXPECT_EQ(document.GetXML().substr(document.GetXML().find("<rss")), kFeed);
}

TEST(XmlNodeText, TreesOutliveTheTextsTheyWereMadeFrom) {
    // Each text is gone before its tree is read: a node that only pointed into it would read
    // freed memory (the sanitizer build reports it; the values would differ otherwise).
    auto element = std::make_unique<CMXMLElement>(
        std::string(kFeed.substr(19, kFeed.size() - 19 - 6)).c_str());
    EXPECT_EQ(element->NodeName(), "channel");
    EXPECT_EQ(element->FindFirstElement("title")->GetText(),
              "A long title of the channel, over fifteen bytes");

    CMXMLElement* item = element->FindFirstElement("item");
    ASSERT_NE(item, nullptr);
    item->SetNodeValue(std::string("<title>A replaced title that is long as well</title>text"));
    EXPECT_EQ(item->GetText(),
              "A replaced title that is long as well"
              "text");

    // A copy owns its texts: it lives on after the document it came from.
    std::unique_ptr<CMXMLNode> copy;
    {
        CMXMLDocument document;
        document.ParseXML(std::string(kFeed));
        copy = document.GetDocumentElement()->CloneNode();
        document.GetDocumentElement()->SetAttribute("version", "a value set after the parse");
        EXPECT_EQ(document.GetDocumentElement()->GetAttribute("version"),
                  "a value set after the parse");
    }
    EXPECT_EQ(copy->GetXML(), kFeed);
}

TEST(XmlNodeText, AnElementParsedTwiceKeepsTheNodesOfTheFirstParse) {
    CMXMLElement element;
    element.ParseXML(
        std::string("<e a=\"first value of the attribute\">first text of e, long</e>"));
    element.ParseXML(std::string("<f>second text of the element, long as well</f>"));
    EXPECT_EQ(element.NodeName(), "f");
    EXPECT_EQ(element.GetText(),
              "first text of e, long"
              "second text of the element, long as well");
}

TEST(XmlNodeText, CopiesAndMovesKeepTheText) {
    NodeText text(std::string("a text longer than any small-string buffer"));
    NodeText copy = text;
    NodeText moved = std::move(text);
    EXPECT_EQ(copy, "a text longer than any small-string buffer");
    EXPECT_EQ(moved, "a text longer than any small-string buffer");
    EXPECT_TRUE(text.empty());        // NOLINT: a moved-from text is empty
    copy = copy.View().substr(2, 4);  // a part of itself
    EXPECT_EQ(copy, "text");
    copy = std::string_view();
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(copy.HeapBytes(), 0u);
}

TEST(XmlNodeText, ReleasingUnusedCapacityKeepsTheText) {
    std::string text(8 * 1024 * 1024, 'x');
    for (size_t i = 0; i < text.size(); i += 4096) text[i] = static_cast<char>('a' + i % 26);
    const std::string expected = text.substr(0, 3 * 1024 * 1024 + 5);
    text.resize(expected.size());
    ReleaseUnusedCapacity(text);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.c_str()[text.size()], '\0');
    text += "more";  // the released pages can be written again
    EXPECT_EQ(text.substr(expected.size()), "more");
}

}  // namespace
}  // namespace varlo
