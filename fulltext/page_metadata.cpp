#include "fulltext/page_metadata.h"

#include <nlohmann/json.hpp>

#include "fulltext/page_tree.h"

namespace varlo {
namespace {

using Json = nlohmann::json;

bool IsArticleType(const Json& type) {
    static constexpr std::string_view kTypes[] = {
        "Article",         "NewsArticle",      "BlogPosting",         "ReportageNewsArticle",
        "TechArticle",     "ScholarlyArticle", "AnalysisNewsArticle", "OpinionNewsArticle",
        "LiveBlogPosting", "Report",           "SocialMediaPosting",  "BackgroundNewsArticle"};
    if (type.is_array()) {
        for (const Json& one : type)
            if (IsArticleType(one)) return true;
        return false;
    }
    if (!type.is_string()) return false;
    const std::string& name = type.get_ref<const std::string&>();
    for (std::string_view known : kTypes)
        if (name == known) return true;
    return false;
}

// The first object of an article type in linked data: at the top, in a list, or in "@graph".
const Json* FindArticle(const Json& data, int depth = 0) {
    if (depth > 4) return nullptr;
    if (data.is_array()) {
        for (const Json& one : data)
            if (const Json* found = FindArticle(one, depth + 1)) return found;
        return nullptr;
    }
    if (!data.is_object()) return nullptr;
    if (auto type = data.find("@type"); type != data.end() && IsArticleType(*type)) return &data;
    if (auto graph = data.find("@graph"); graph != data.end())
        return FindArticle(*graph, depth + 1);
    return nullptr;
}

std::string StringOf(const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_object()) {
        if (auto name = value.find("name"); name != value.end() && name->is_string())
            return name->get<std::string>();
    }
    if (value.is_array()) {
        std::string joined;
        for (const Json& one : value) {
            const std::string part = StringOf(one);
            if (part.empty()) continue;
            if (!joined.empty()) joined += ", ";
            joined += part;
        }
        return joined;
    }
    return {};
}

std::string Field(const Json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? std::string() : StringOf(*it);
}

bool LooksLikeAddress(std::string_view text) {
    return text.starts_with("http://") || text.starts_with("https://") || text.starts_with("//");
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.remove_suffix(1);
    return std::string(text);
}

// The <title> without the site's name, which pages join to it with " | ", " - " and the like.
std::string CleanTitle(std::string_view title) {
    for (std::string_view separator : {" | ", " - ", " – ", " — ", " :: ", " » ", " ｜ "}) {
        const size_t at = title.rfind(separator);
        if (at == std::string_view::npos || at == 0) continue;
        const std::string_view head = title.substr(0, at);
        // A head of a word or two is the site's name in front, not the article's title.
        if (std::count(head.begin(), head.end(), ' ') >= 2 || head.size() >= 12)
            return Trimmed(head);
    }
    return Trimmed(title);
}

}  // namespace

TimeValue ParsePageDate(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return 0;
    if (text.front() >= '0' && text.front() <= '9') {
        // "2024-05-01 09:00:00" is ISO 8601 with a space for the T.
        std::string iso(text);
        if (iso.size() > 10 && iso[10] == ' ') iso[10] = 'T';
        return ParseW3cDate(iso);
    }
    return ParseRfc822Date(text);
}

PageMetadata ReadPageMetadata(const PageTree& tree) {
    PageMetadata meta;
    std::string publishedLd;
    for (const std::string& script : tree.linkedData) {
        const Json data = Json::parse(script, nullptr, false);
        if (data.is_discarded()) continue;
        const Json* article = FindArticle(data);
        if (!article) continue;
        if (meta.title.empty()) meta.title = Field(*article, "headline");
        if (meta.author.empty()) meta.author = Field(*article, "author");
        if (publishedLd.empty()) publishedLd = Field(*article, "datePublished");
    }
    auto firstMeta = [&](std::initializer_list<std::string_view> keys) {
        for (std::string_view key : keys) {
            const std::string_view value = tree.Meta(key);
            if (!value.empty() && !LooksLikeAddress(value)) return Trimmed(value);
        }
        return std::string();
    };
    if (meta.title.empty()) meta.title = firstMeta({"og:title", "twitter:title", "dc.title"});
    if (meta.title.empty()) meta.title = CleanTitle(tree.title);
    if (meta.author.empty())
        meta.author = firstMeta(
            {"author", "article:author", "dc.creator", "parsely-author", "sailthru.author", "byl"});
    if (meta.author.starts_with("By ") || meta.author.starts_with("by ")) meta.author.erase(0, 3);
    meta.date = ParsePageDate(publishedLd);
    if (meta.date == 0)
        meta.date = ParsePageDate(firstMeta(
            {"article:published_time", "og:published_time", "datepublished", "date", "dc.date",
             "dc.date.issued", "pubdate", "publishdate", "sailthru.date", "parsely-pub-date"}));
    if (meta.date == 0) {
        // The first <time> that says when, in the body.
        for (const PageNode& node : tree.nodes) {
            if (node.name != "time") continue;
            const TimeValue when = ParsePageDate(node.Attribute("datetime"));
            if (when != 0) {
                meta.date = when;
                break;
            }
        }
    }
    return meta;
}

}  // namespace varlo
