// Reads every file of the shared corpus of real-world and test feeds, and compares our fields with
// the expected values that come with gofeed's test files where both mean the same thing.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include "encoding/codepage.h"
#include "feeds/rss_file.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace varlo {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::vector<fs::path> FilesBelow(const std::string& root) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::end(it);
         it.increment(ec)) {
        if (it->is_regular_file(ec)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(FeedCorpus, ReadsEveryFileWithoutCrashingOrLeavingANullArticle) {
    const std::string root = test::CorpusPath("");
    if (root.empty()) GTEST_SKIP() << "the shared corpus is absent";
    test::MessageCapture quiet;
    int feeds = 0;
    for (const auto& path : FilesBelow(root)) {
        CRssFile feed;
        feeds += feed.ReadRss(path.string());
        for (int i = 0; i < feed.GetSize(); ++i) ASSERT_NE(feed.GetAt(i), nullptr) << path;
    }
    // Most of the corpus is RSS, RDF and Atom; a regression that reads none would show here.
    EXPECT_GT(feeds, 1500);
}

// A text of ours as UTF-8 with the surrounding white space that the other parser trims removed.
std::string Ours(const Text& text) {
    return std::string(Trim(Cp932ToUtf8(text)));
}

// The expected texts are decoded by gofeed, and keep the markup of child elements; ours keep every
// reference as written and leave markup out. A text with a reference, markup or characters outside
// code page 932 cannot be compared.
bool Comparable(const Text& ours, const Json& expected) {
    if (!expected.is_string()) return false;
    const std::string value = expected.get<std::string>();
    return ours.find('&') == Text::npos && ours.find('<') == Text::npos &&
           value.find('<') == std::string::npos && Cp932ToUtf8(Utf8ToCp932(value)) == value;
}

// Files whose expected values mean something else than our fields, by a part of their name.
struct KnownDifference {
    const char* namePart;
    const char* reason;
};
constexpr KnownDifference kKnownDifferences[] = {
    {"_links.xml", "several links: gofeed keeps the last one, we keep the first"},
    {"naked_markup", "gofeed keeps child elements as markup; our text leaves markup out"},
    {"xhtml_inline_markup", "gofeed keeps child elements as markup; our text leaves markup out"},
    {"base64", "gofeed decodes mode=\"base64\"; we read no mode"},
    {"illegal_char", "gofeed drops control characters; we keep text as written"},
    {"xml_base", "gofeed resolves links against xml:base; we keep them as written"},
    {"atom10_feed_title_xhtml", "the title is closed by </subtitle>: for us it has no text"},
    {"_link_base_", "feedparser resolves links against the document's address; we do not"},
    {"dc_title", "feedparser takes dc:title as the title; we read only \"title\""},
    {"media_title", "feedparser takes media:title as the title; we read only \"title\""},
    {"itunes_core_element", "feedparser takes itunes:title as the title; we read only \"title\""},
    {"guid", "feedparser takes an item's guid as its link; we read no guid"},
};

bool KnownToDiffer(const fs::path& file) {
    const std::string name = file.filename().string();
    for (const auto& known : kKnownDifferences) {
        if (name.find(known.namePart) != std::string::npos) return true;
    }
    return false;
}

struct Comparison {
    int compared = 0;
    std::vector<std::string> differences;
    void Check(const fs::path& file, const char* field, const Text& ours, const Json& expected) {
        if (!Comparable(ours, expected) || KnownToDiffer(file)) return;
        ++compared;
        const std::string want(Trim(expected.get<std::string>()));
        if (Ours(ours) != want) {
            differences.push_back(file.filename().string() + " " + field + ": ours \"" +
                                  Ours(ours) + "\", expected \"" + want + "\"");
        }
    }
};

TEST(FeedCorpus, AgreesWithGofeedOnCountsTitlesAndLinks) {
    const std::string root = test::CorpusPath("gofeed/testdata/parser");
    if (root.empty()) GTEST_SKIP() << "the shared corpus is absent";
    test::MessageCapture quiet;
    Comparison result;
    int counts = 0;
    for (const char* folder : {"rss", "atom"}) {
        for (const auto& path : FilesBelow(root + "/" + folder)) {
            if (path.extension() != ".xml") continue;
            fs::path expectedPath = path;
            expectedPath.replace_extension(".json");
            std::ifstream in(expectedPath);
            if (!in) continue;
            const Json expected = Json::parse(in, nullptr, false);
            if (expected.is_discarded()) continue;
            CRssFile feed;
            if (feed.ReadRss(path.string()) != 1) continue;
            const bool atom = feed.m_nFormat == kFormatAtom03 || feed.m_nFormat == kFormatAtom10;
            const Json items = expected.value(atom ? "entries" : "items", Json::array());
            EXPECT_EQ(feed.GetSize(), static_cast<int>(items.size())) << path;
            ++counts;
            result.Check(path, "title", feed.m_strTitle, expected.value("title", Json()));
            if (!atom) result.Check(path, "link", feed.m_strLink, expected.value("link", Json()));
            for (int i = 0; i < feed.GetSize() && i < static_cast<int>(items.size()); ++i) {
                const Json& item = items[static_cast<size_t>(i)];
                const CRssItem& ours = *feed.GetAt(i);
                result.Check(path, "item title", ours.m_strTitle, item.value("title", Json()));
                const Json links = item.value("links", Json::array());
                const Json link = atom ? (links.empty() ? Json() : links[0].value("href", Json()))
                                       : item.value("link", Json());
                result.Check(path, "item link", ours.m_strLink, link);
            }
        }
    }
    for (const auto& difference : result.differences) ADD_FAILURE() << difference;
    EXPECT_GT(counts, 400);
    EXPECT_GT(result.compared, 30);
}

// The one "Expect:" line of a feedparser test file, when it states a plain title or link of the
// feed or of its first entry: {"feed" or "entries[0]", field, value}.
struct Expectation {
    std::string owner, field, value;
};

bool ReadExpectation(const fs::path& file, Expectation& expectation) {
    std::ifstream in(file);
    std::string line;
    static const std::regex kPlain(
        R"(^Expect:\s*(?:not bozo and )?(feed|entries\[0\])\['(title|link)'\] == u?'([^'\\]*)'\s*$)");
    for (int i = 0; i < 20 && std::getline(in, line); ++i) {
        std::smatch match;
        if (std::regex_match(line, match, kPlain)) {
            expectation = {match[1], match[2], match[3]};
            return true;
        }
    }
    return false;
}

TEST(FeedCorpus, AgreesWithFeedparserOnPlainTitlesAndLinks) {
    const std::string root = test::CorpusPath("feedparser/tests/wellformed");
    if (root.empty()) GTEST_SKIP() << "the shared corpus is absent";
    test::MessageCapture quiet;
    Comparison result;
    for (const auto& path : FilesBelow(root)) {
        Expectation expected;
        if (!ReadExpectation(path, expected)) continue;
        CRssFile feed;
        if (feed.ReadRss(path.string()) != 1) continue;
        const CRssItem* first = feed.GetAt(0);
        if (expected.owner == "feed") {
            result.Check(path, expected.field.c_str(),
                         expected.field == "title" ? feed.m_strTitle : feed.m_strLink,
                         Json(expected.value));
        } else if (first != nullptr) {
            result.Check(path, expected.field.c_str(),
                         expected.field == "title" ? first->m_strTitle : first->m_strLink,
                         Json(expected.value));
        }
    }
    for (const auto& difference : result.differences) ADD_FAILURE() << difference;
    EXPECT_GT(result.compared, 30);
}

}  // namespace
}  // namespace varlo
