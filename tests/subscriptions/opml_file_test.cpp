#include "subscriptions/opml_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

COpmlFile List(const std::vector<Text>& titles, const std::vector<Text>& categories = {}) {
    COpmlFile list;
    for (size_t i = 0; i < titles.size(); ++i) {
        list.Add(std::make_unique<COpmlItem>(
            COpmlItem{titles[i], i < categories.size() ? categories[i] : Text(), {}, {}, {}}));
    }
    return list;
}

std::vector<Text> Titles(const COpmlFile& list) {
    std::vector<Text> titles;
    for (int i = 0; i < list.GetCount(); ++i) titles.push_back(list.GetAt(i)->m_strTitle);
    return titles;
}

TEST(SiteList, ClearEmptiesTheListButKeepsTheSortSettings) {
    COpmlFile list = List({"a"});
    list.m_strTitle = "Mine";
    list.m_nSortKey = 1;
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.m_strTitle, "Morva OPML");
    EXPECT_EQ(list.m_nSortKey, 1);
}

TEST(SiteList, SwapsAndTakesOutEntriesWithoutDeletingThem) {
    COpmlFile list = List({"a", "b", "c"});
    COpmlItem* c = list.GetAt(2);
    list.SwapItems(0, 2);
    EXPECT_EQ(list.FindItem(c), 0);
    std::unique_ptr<COpmlItem> taken = list.TakeAt(0);
    EXPECT_EQ(taken.get(), c);
    EXPECT_EQ(list.FindItem(c), -1);
    list.InsertAt(2, std::move(taken));
    EXPECT_EQ(Titles(list), (std::vector<Text>{"b", "a", "c"}));
}

TEST(SiteListCategories, ListsOneCategoryPerRunAndFindsTheEndOfTheFirstRun) {
    std::vector<Text> categories{"kept"};
    List({"", "", "", "", "", ""}, {"", "News", "News", "", "Tech", "News"})
        .GetCategories(categories);
    EXPECT_EQ(categories, (std::vector<Text>{"kept", "News", "", "Tech", "News"}));

    const COpmlFile list = List({"", "", "", ""}, {"News", "News", "Tech", "News"});
    EXPECT_EQ(list.FindInsertPos("News"), 2);
    EXPECT_EQ(list.FindInsertPos("Tech"), 3);
    EXPECT_EQ(list.FindInsertPos("news"), 4);  // no entry has it: the end
}

TEST(SiteListSorting, OrdersByTitleOrByCategoryThenTitleIgnoringCase) {
    COpmlFile list = List({Sjis("あ"), "abc", Sjis("ａ"), "AB", Sjis("Ａb")});
    list.m_nSortKey = 1;
    list.Sort();
    EXPECT_EQ(Titles(list), (std::vector<Text>{"AB", "abc", Sjis("ａ"), Sjis("Ａb"), Sjis("あ")}));
    list.m_bDescending = true;
    list.Sort();
    EXPECT_EQ(Titles(list), (std::vector<Text>{Sjis("あ"), Sjis("Ａb"), Sjis("ａ"), "abc", "AB"}));

    COpmlFile byCategory = List({"b", "z", "a", "c"}, {"Tech", "", "tech", "News"});
    byCategory.m_nSortKey = 0;
    byCategory.Sort();
    EXPECT_EQ(Titles(byCategory), (std::vector<Text>{"z", "c", "a", "b"}));
}

// Worked out by hand from the heapsort: equal entries do not keep their previous order, and file
// order leaves the list alone.
TEST(SiteListSorting, LeavesEqualEntriesInTheOrderTheHeapsortGives) {
    COpmlFile three = List({"x", "X", "x"});
    const std::vector<const COpmlItem*> before{three.GetAt(0), three.GetAt(1), three.GetAt(2)};
    three.m_nSortKey = 1;
    three.Sort();
    EXPECT_EQ(std::vector<const COpmlItem*>({three.GetAt(0), three.GetAt(1), three.GetAt(2)}),
              std::vector<const COpmlItem*>({before[1], before[2], before[0]}));

    COpmlFile mixed = List({"b", "a", "B", "a"});
    mixed.m_nSortKey = 1;
    mixed.Sort();
    EXPECT_EQ(Titles(mixed), (std::vector<Text>{"a", "a", "B", "b"}));
    mixed.m_nSortKey = -1;
    mixed.m_bDescending = true;
    mixed.Sort();
    EXPECT_EQ(Titles(mixed), (std::vector<Text>{"a", "a", "B", "b"}));
}

}  // namespace
}  // namespace varlo
