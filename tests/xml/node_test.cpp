#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "xml/document.h"
#include "xml/node_pool.h"

namespace varlo {
namespace {

CMXMLElement Parse(std::string_view markup) {
    return CMXMLElement(markup);
}

TEST(XmlTree, GetElementsByTagNameFindsItemsBesideAndInsideTheChannelInDocumentOrder) {
    const auto root = Parse(
        "<rdf><channel><title>c</title><item>0</item></channel><item>1</item><x><item>2</item>"
        "</x></rdf>");
    const CMXMLNodeList items = root.GetElementsByTagName("item");
    ASSERT_EQ(items.GetCount(), 3);
    EXPECT_EQ(items.Item(0)->GetText(), "0");
    EXPECT_EQ(items.Item(1)->GetText(), "1");
    EXPECT_EQ(items.Item(2)->GetText(), "2");
    EXPECT_EQ(items.Item(3), nullptr);
    EXPECT_EQ(items.Item(-1), nullptr);
}

TEST(XmlTree, NamesAreComparedExactlyWithTheirPrefix) {
    const auto root = Parse("<r><title>a</title><dc:date>d</dc:date><DC:date>e</DC:date></r>");
    EXPECT_EQ(root.GetElementsByTagName("Title").GetCount(), 0);
    EXPECT_EQ(root.GetElementsByTagName("date").GetCount(), 0);
    ASSERT_NE(root.FindFirstElement("dc:date"), nullptr);
    EXPECT_EQ(root.FindFirstElement("dc:date")->GetText(), "d");
    EXPECT_EQ(root.FindFirstElement("nothing"), nullptr);
}

TEST(XmlTree, FirstMatchIsInsideAnEarlierChildBeforeALaterDirectChild) {
    const auto root =
        Parse("<channel><image><title>img</title></image><title>chan</title></channel>");
    EXPECT_EQ(root.FindFirstElement("title")->GetText(), "img");
    EXPECT_EQ(root.GetElementsByTagName("title").Item(0)->GetText(), "img");
}

TEST(XmlTree, AttributeWithoutValueReadsLikeAnAbsentOne) {
    const auto e = Parse("<a checked x=\"1\">t</a>");
    EXPECT_EQ(e.GetAttribute("checked"), "");
    EXPECT_EQ(e.FindAttribute("checked"), 0);
    EXPECT_EQ(e.GetAttribute("missing"), "");
    EXPECT_EQ(e.FindAttribute("missing"), -1);
}

TEST(XmlTree, SetAttributeRemovesOnEmptyAndStripsQuotesOnlyWhenChanging) {
    CMXMLElement e;
    e.SetNodeName("e");
    e.SetAttribute("a", "1");
    e.SetAttribute("b", "2");
    e.SetAttribute("a", "");
    EXPECT_EQ(e.GetAttributeCount(), 1);
    EXPECT_EQ(e.GetAttributeAt(0).NodeName(), "b");
    e.SetAttribute("zz", "");
    e.SetAttribute("zz", "\"\"");
    EXPECT_EQ(e.GetAttributeCount(), 1);
    e.SetAttribute("n", "'x'");
    EXPECT_EQ(e.GetAttribute("n"), "'x'");
    e.SetAttribute("b", "'x'");
    EXPECT_EQ(e.GetAttribute("b"), "x");
    e.SetAttribute("q", "\"quoted\"");
    EXPECT_EQ(e.GetAttribute("q"), "quoted");
}

TEST(XmlTree, GetTextConcatenatesTextAndCdataWithoutComments) {
    const auto e = Parse("<a>x<!--c--><![CDATA[<y>]]><b> z</b></a>");
    EXPECT_EQ(e.GetText(), "x<y> z");
    const CMXMLNode* comment = e.GetChildNodes().Item(1);
    EXPECT_EQ(comment->GetNodeType(), kCommentNode);
    EXPECT_EQ(comment->GetText(), "");
    EXPECT_EQ(comment->GetNodeValue(), "c");
    EXPECT_EQ(comment->GetNodeName(), "#comment");
}

TEST(XmlTree, AppendedChildrenAreLinkedAsSiblings) {
    auto doc = std::make_unique<CMXMLDocument>();
    auto root = doc->AppendChild(CMXMLDocument::CreateElement("r"));
    auto* a = root->AppendChild(CMXMLDocument::CreateElement("a"));
    auto* b = root->AppendChild(CMXMLDocument::CreateElement("b"));
    auto* c = root->AppendChild(CMXMLDocument::CreateElement("c"));
    EXPECT_EQ(root->GetFirstChild(), a);
    EXPECT_EQ(a->GetNextSibling(), b);
    EXPECT_EQ(b->GetNextSibling(), c);
    EXPECT_EQ(c->GetNextSibling(), nullptr);
    EXPECT_EQ(c->GetPreviousSibling(), b);
    EXPECT_EQ(c->GetParentNode(), root);
    EXPECT_EQ(doc->GetDocumentElement(), root);
    // Re-appending moves a child to the end and mends its neighbours' links.
    root->AppendChild(a);
    EXPECT_EQ(root->GetFirstChild(), b);
    EXPECT_EQ(root->GetLastChild(), a);
    EXPECT_EQ(c->GetNextSibling(), a);
    EXPECT_EQ(b->GetPreviousSibling(), nullptr);
    EXPECT_EQ(a->GetPreviousSibling(), c);
    // The last child, a middle one, and an only child.
    root->AppendChild(a);
    EXPECT_EQ(root->GetLastChild(), a);
    EXPECT_EQ(a->GetNextSibling(), nullptr);
    root->AppendChild(c);
    EXPECT_EQ(b->GetNextSibling(), a);
    EXPECT_EQ(a->GetPreviousSibling(), b);
    EXPECT_EQ(root->GetLastChild(), c);
    EXPECT_EQ(c->GetPreviousSibling(), a);
    auto* only = a->AppendChild(CMXMLDocument::CreateElement("only"));
    EXPECT_EQ(a->GetLastChild(), only);
    EXPECT_EQ(only->GetPreviousSibling(), nullptr);
    a->AppendChild(only);
    EXPECT_EQ(a->GetFirstChild(), only);
    EXPECT_EQ(a->GetLastChild(), only);
    EXPECT_EQ(root->GetElementsByTagName("only").GetCount(), 1);
}

TEST(XmlTree, AttributesAreSetRemovedAndCopiedInTheirBlock) {
    auto e = CMXMLDocument::CreateElement("e");
    for (int i = 0; i < 5; ++i) e->SetAttribute("a" + std::to_string(i), std::to_string(i));
    e->SetAttribute("a2", "");
    ASSERT_EQ(e->GetAttributeCount(), 4);
    EXPECT_EQ(e->GetAttributeAt(2).NodeName(), "a3");
    e->SetAttribute("a4", "four");
    const auto copy = e->CloneNode();
    e->SetAttribute("a0", "");
    const auto& copied = static_cast<const CMXMLElement&>(*copy);
    EXPECT_EQ(copied.GetAttributeCount(), 4);
    EXPECT_EQ(copied.GetAttribute("a4"), "four");
    EXPECT_EQ(copied.GetXML(), "<e a0=\"0\" a1=\"1\" a3=\"3\" a4=\"four\" />");
    EXPECT_EQ(e->GetAttributeCount(), 3);
}

TEST(XmlTree, CloneCopiesTheWholeSubtreeDetached) {
    const auto e = Parse("<a k=\"v\"><b>t<!--c--></b><br/></a>");
    const auto copy = e.CloneNode();
    EXPECT_EQ(copy->GetParentNode(), nullptr);
    EXPECT_EQ(copy->GetXML(), e.GetXML());
    const auto* element = static_cast<const CMXMLElement*>(copy.get());
    EXPECT_FALSE(static_cast<const CMXMLElement*>(element->GetLastChild())->HasEndTag());
}

TEST(XmlTree, ADocumentWithoutChildrenHasNoDocumentElement) {
    CMXMLDocument doc;
    EXPECT_EQ(doc.GetDocumentElement(), nullptr);
    doc.AppendChild(std::make_unique<CMXMLComment>("x"));
    EXPECT_EQ(doc.GetDocumentElement(), nullptr);
}

TEST(XmlTree, DestroyingAVeryDeepHandBuiltTreeDoesNotRecurse) {
    auto root = std::make_unique<CMXMLElement>();
    root->SetNodeName("d");
    CMXMLElement* leaf = root.get();
    for (int i = 0; i < 200000; ++i) leaf = leaf->AppendChild(CMXMLDocument::CreateElement("d"));
    leaf->AppendChild(std::make_unique<CMXMLTextNode>("bottom"));
    EXPECT_EQ(root->GetText(), "bottom");
    EXPECT_EQ(root->GetElementsByTagName("d").GetCount(), 200000);
    EXPECT_FALSE(root->GetXML().empty());
    const auto copy = root->CloneNode();
    EXPECT_EQ(copy->GetText(), "bottom");
    root.reset();  // must not overflow the stack
}

}  // namespace
}  // namespace varlo

namespace varlo {
namespace {

TEST(XmlNodePool, EveryNodeGoesBackWhenItsDocumentIsDestroyed) {
    const size_t before = xmlpool::LiveBlocks();
    {
        CMXMLDocument doc;
        doc.ParseXML("<r><a x=\"1\">t<!--c--></a><b/></r>");
        EXPECT_GE(xmlpool::LiveBlocks(), before);
    }
    EXPECT_EQ(xmlpool::LiveBlocks(), before);
}

// Workers parse side by side, and a tree may be dropped by another thread than the one that
// built it: every node still goes back, and nothing is corrupted (the sanitizer build checks it
// without the pool).
TEST(XmlNodePool, TreesBuiltAndDroppedOnSeveralThreadsAtOnce) {
    std::string markup = "<r>";
    for (int i = 0; i < 2000; ++i) markup += "<item a=\"1\"><title>t</title></item>";
    markup += "</r>";
    std::vector<std::unique_ptr<CMXMLDocument>> built(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < built.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                auto doc = std::make_unique<CMXMLDocument>();
                doc->ParseXML(markup);
                EXPECT_EQ(doc->GetDocumentElement()->GetChildNodes().GetCount(), 2000);
                built[t] = std::move(doc);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    // Dropped here, on another thread, after their own threads ended.
    const size_t before = xmlpool::LiveBlocks();
    built.clear();
    EXPECT_EQ(xmlpool::LiveBlocks(), before);
    CMXMLDocument after;
    after.ParseXML(markup);
    EXPECT_EQ(after.GetDocumentElement()->GetChildNodes().GetCount(), 2000);
}

}  // namespace
}  // namespace varlo
