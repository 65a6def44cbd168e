#include "feeds/element_lookup.h"

#include <gtest/gtest.h>

#include <string>

namespace varlo {
namespace {

TEST(ElementLookup, WalksDescendantsInDocumentOrderWithoutTheRoot) {
    const CMXMLElement root("<a><b><c/><d>t<e/></d></b><f/><!-- x --><g><h/></g></a>");
    std::string order;
    WalkElements(root, [&](const CMXMLElement& e) {
        order += e.NodeName();
        return false;
    });
    EXPECT_EQ(order, "bcdefgh");
}

TEST(ElementLookup, FindsTheFirstOfEachNameInOneWalkPreferringEarlierSubtrees) {
    const CMXMLElement item(
        "<item><x><title>inner</title></x><title>direct</title><link>l1</link><link>l2</link>"
        "</item>");
    const auto found = FindFirstOfEach<3>(item, {"title", "link", "item"});
    ASSERT_NE(found[0], nullptr);
    EXPECT_EQ(TextOf(*found[0]), "inner");
    ASSERT_NE(found[1], nullptr);
    EXPECT_EQ(TextOf(*found[1]), "l1");
    EXPECT_EQ(found[2], nullptr);
}

TEST(ElementLookup, LeavesTheFieldAloneWhenNothingIsFound) {
    const CMXMLElement root("<a><b rel=\"self\" href=\"s\"/><b href=\"x\"/></a>");
    Text field = "kept";
    EXPECT_FALSE(TakeTextOfFirst(root, "missing", field));
    EXPECT_FALSE(TakeAttribute(nullptr, "href", field));
    EXPECT_EQ(field, "kept");
    const CMXMLElement* b = FindFirstWithAttribute(root, "b", "rel", {"alternate", ""});
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetAttribute("href"), "x");
    EXPECT_EQ(FindFirstWithAttribute(root, "b", "rel", {"alternate"}), nullptr);
}

}  // namespace
}  // namespace varlo
