#include "subscriptions/opml_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::Sjis;

std::unique_ptr<COpmlItem> Entry(const Text& title, const Text& category = {}) {
    auto item = std::make_unique<COpmlItem>();
    item->m_strTitle = title;
    item->m_strCategory = category;
    item->m_strXmlUrl = "http://example.com/" + title;
    return item;
}

void FillCategories(COpmlFile& list, const std::vector<Text>& categories) {
    for (size_t i = 0; i < categories.size(); ++i) {
        list.Add(Entry("t" + std::to_string(i), categories[i]));
    }
}

std::vector<Text> Titles(const COpmlFile& list) {
    std::vector<Text> titles;
    for (int i = 0; i < list.GetCount(); ++i) titles.push_back(list.GetAt(i)->m_strTitle);
    return titles;
}

TEST(SiteList, StartsEmptyWithTheDefaultTitleInFileOrder) {
    COpmlFile list;
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.m_strTitle, "Morva OPML");
    EXPECT_EQ(list.m_nSortKey, -1);
    EXPECT_FALSE(list.m_bDescending);
}

TEST(SiteList, ClearEmptiesTheListButKeepsTheSortSettings) {
    COpmlFile list;
    list.Add(Entry("a"));
    list.m_strTitle = "Mine";
    list.m_nSortKey = 1;
    list.m_bDescending = true;
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.m_strTitle, "Morva OPML");
    EXPECT_EQ(list.m_nSortKey, 1);
    EXPECT_TRUE(list.m_bDescending);
}

TEST(SiteList, InsertsRemovesAndTakesEntriesOutByIndex) {
    COpmlFile list;
    EXPECT_EQ(list.Add(Entry("a")), 0);
    EXPECT_EQ(list.Add(Entry("c")), 1);
    list.InsertAt(1, Entry("b"));
    list.InsertAt(3, Entry("d"));
    EXPECT_EQ(Titles(list), (std::vector<Text>{"a", "b", "c", "d"}));

    list.RemoveAt(0);
    EXPECT_EQ(Titles(list), (std::vector<Text>{"b", "c", "d"}));

    const COpmlItem* c = list.GetAt(1);
    std::unique_ptr<COpmlItem> taken = list.TakeAt(1);
    EXPECT_EQ(taken.get(), c);
    EXPECT_EQ(Titles(list), (std::vector<Text>{"b", "d"}));
    EXPECT_EQ(list.FindItem(c), -1);
}

TEST(SiteList, FindsAnEntryByItsAddressAndSwapsEntries) {
    COpmlFile list;
    list.Add(Entry("a"));
    list.Add(Entry("b"));
    list.Add(Entry("c"));
    COpmlItem* b = list.GetAt(1);
    EXPECT_EQ(list.FindItem(b), 1);
    COpmlItem stranger;
    EXPECT_EQ(list.FindItem(&stranger), -1);
    EXPECT_EQ(list.FindItem(nullptr), -1);

    list.SwapItems(0, 1);
    EXPECT_EQ(Titles(list), (std::vector<Text>{"b", "a", "c"}));
    EXPECT_EQ(list.FindItem(b), 0);
    list.SwapItems(2, 2);
    EXPECT_EQ(Titles(list), (std::vector<Text>{"b", "a", "c"}));
}

TEST(SiteListCategories, ListsOneCategoryPerRun) {
    COpmlFile list;
    FillCategories(list, {"", "News", "News", "", "Tech", "News"});
    std::vector<Text> categories{"kept"};
    list.GetCategories(categories);
    EXPECT_EQ(categories, (std::vector<Text>{"kept", "News", "", "Tech", "News"}));
}

TEST(SiteListCategories, ListsNothingForAnEmptyListOrOnlyUncategorisedEntries) {
    COpmlFile list;
    std::vector<Text> categories;
    list.GetCategories(categories);
    EXPECT_TRUE(categories.empty());
    FillCategories(list, {"", ""});
    list.GetCategories(categories);
    EXPECT_TRUE(categories.empty());
}

TEST(SiteListCategories, FindsTheInsertPositionAfterTheFirstRun) {
    COpmlFile list;
    FillCategories(list, {"News", "News", "Tech", "News"});
    EXPECT_EQ(list.FindInsertPos("News"), 2);
    EXPECT_EQ(list.FindInsertPos("Tech"), 3);
    EXPECT_EQ(list.FindInsertPos("Sport"), 4);
    EXPECT_EQ(list.FindInsertPos("news"), 4);  // exact comparison
    EXPECT_EQ(list.FindInsertPos(""), 4);
}

TEST(SiteListCategories, FindsTheInsertPositionOfTheEmptyCategory) {
    COpmlFile list;
    FillCategories(list, {"", "", "News", ""});
    EXPECT_EQ(list.FindInsertPos(""), 2);
    COpmlFile empty;
    EXPECT_EQ(empty.FindInsertPos("News"), 0);
}

TEST(SiteListSorting, OrdersByTitleIgnoringCase) {
    COpmlFile list;
    for (const char* t : {"delta", "Alpha", "charlie", "Bravo"}) list.Add(Entry(t));
    list.m_nSortKey = 1;
    list.Sort();
    EXPECT_EQ(Titles(list), (std::vector<Text>{"Alpha", "Bravo", "charlie", "delta"}));
    list.m_bDescending = true;
    list.Sort();
    EXPECT_EQ(Titles(list), (std::vector<Text>{"delta", "charlie", "Bravo", "Alpha"}));
}

TEST(SiteListSorting, OrdersByCategoryThenTitle) {
    COpmlFile list;
    list.Add(Entry("b", "Tech"));
    list.Add(Entry("z", ""));
    list.Add(Entry("a", "tech"));
    list.Add(Entry("c", "News"));
    list.Add(Entry("a", "News"));
    list.m_nSortKey = 0;
    list.Sort();
    std::vector<Text> got;
    for (int i = 0; i < list.GetCount(); ++i) {
        got.push_back(list.GetAt(i)->m_strCategory + "/" + list.GetAt(i)->m_strTitle);
    }
    EXPECT_EQ(got, (std::vector<Text>{"/z", "News/a", "News/c", "tech/a", "Tech/b"}));
}

TEST(SiteListSorting, PutsShortTitlesAndSingleByteTitlesFirst) {
    COpmlFile list;
    for (const Text& t : {Sjis("あ"), Text("abc"), Sjis("ａ"), Text("ab"), Sjis("Ａb")}) {
        list.Add(Entry(t));
    }
    list.m_nSortKey = 1;
    list.Sort();
    const std::vector<Text> expected{"ab", "abc", Sjis("ａ"), Sjis("Ａb"), Sjis("あ")};
    EXPECT_EQ(Titles(list), expected);
}

// The orders below were worked out by hand from the heapsort: equal entries do not keep their
// previous order.
TEST(SiteListSorting, LeavesEqualEntriesInTheHeapsortsOrder) {
    COpmlFile two;
    two.Add(Entry("same"));
    two.Add(Entry("SAME"));
    two.m_nSortKey = 1;
    two.Sort();
    EXPECT_EQ(Titles(two), (std::vector<Text>{"SAME", "same"}));

    COpmlFile three;
    for (const char* t : {"x", "X", "x "}) three.Add(Entry(t));
    three.GetAt(2)->m_strTitle = "x";  // three equal titles, told apart by address
    three.m_nSortKey = 1;
    const COpmlItem* first = three.GetAt(0);
    const COpmlItem* second = three.GetAt(1);
    const COpmlItem* third = three.GetAt(2);
    three.Sort();
    EXPECT_EQ(three.GetAt(0), second);
    EXPECT_EQ(three.GetAt(1), third);
    EXPECT_EQ(three.GetAt(2), first);

    COpmlFile mixed;
    for (const char* t : {"b", "a", "B"}) mixed.Add(Entry(t));
    mixed.m_nSortKey = 1;
    mixed.Sort();
    EXPECT_EQ(Titles(mixed), (std::vector<Text>{"a", "B", "b"}));
}

TEST(SiteListSorting, LeavesFileOrderUnchanged) {
    COpmlFile list;
    for (const char* t : {"c", "a", "b", "a"}) list.Add(Entry(t));
    list.m_bDescending = true;
    list.Sort();
    EXPECT_EQ(Titles(list), (std::vector<Text>{"c", "a", "b", "a"}));
    list.m_nSortKey = 7;
    list.Sort();
    EXPECT_EQ(Titles(list), (std::vector<Text>{"c", "a", "b", "a"}));
    EXPECT_EQ(list.CompareItems(*list.GetAt(0), *list.GetAt(1)), 0);
}

TEST(SiteListSorting, SortsEmptyAndSingleEntryLists) {
    COpmlFile list;
    list.m_nSortKey = 0;
    list.Sort();
    EXPECT_EQ(list.GetCount(), 0);
    list.Add(Entry("only"));
    list.Sort();
    EXPECT_EQ(Titles(list), std::vector<Text>{"only"});
}

TEST(SiteListSorting, KeepsEveryEntryAndOrdersManyEntries) {
    COpmlFile list;
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int i = 0; i < 500; ++i) {
        // Short titles over few letters of both cases, so that many entries compare equal.
        Text title(1 + next() % 3, 'a');
        for (char& c : title) c = "aAbBcC"[(next() >> 8) % 6];
        list.Add(Entry(title, Text(1, "pqr"[(next() >> 8) % 3])));
    }
    std::vector<const COpmlItem*> before;
    for (int i = 0; i < list.GetCount(); ++i) before.push_back(list.GetAt(i));
    for (int key : {0, 1}) {
        for (bool descending : {false, true}) {
            list.m_nSortKey = key;
            list.m_bDescending = descending;
            list.Sort();
            ASSERT_EQ(list.GetCount(), 500);
            for (int i = 1; i < list.GetCount(); ++i) {
                EXPECT_LE(list.CompareItems(*list.GetAt(i - 1), *list.GetAt(i)), 0) << i;
            }
            for (const COpmlItem* item : before) EXPECT_NE(list.FindItem(item), -1);
        }
    }
}

}  // namespace
}  // namespace varlo
