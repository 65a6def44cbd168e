#include "fulltext/article_extractor.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "feeds/html_form.h"
#include "fulltext/page_metadata.h"
#include "fulltext/page_tree.h"
#include "fulltext/text_measure.h"
#include "preview/html_sanitizer.h"

namespace varlo {
namespace {

using Words = std::initializer_list<std::string_view>;

// Class and id words of page furniture: menus, side bars, comments, notices, share bars.
constexpr std::string_view kUnlikely[] = {
    "-ad-",       "ai2html", "banner",     "breadcrumb",   "combx",    "comment",    "community",
    "cover-wrap", "disqus",  "extra",      "footer",       "gdpr",     "header",     "legends",
    "menu",       "related", "remark",     "replies",      "rss",      "shoutbox",   "sidebar",
    "skyscraper", "social",  "sponsor",    "supplemental", "ad-break", "agegate",    "pagination",
    "pager",      "popup",   "yom-remote", "cookie",       "consent",  "newsletter", "subscribe",
    "outbrain",   "taboola", "recommend",  "share",        "sharing",  "promo",      "signup",
    "modal",      "toolbar"};
// Words that keep an element that also has an unlikely word ("main-header" can hold the article).
constexpr std::string_view kMaybe[] = {"and",     "article", "body",  "column",
                                       "content", "main",    "shadow"};
constexpr std::string_view kPositive[] = {"article", "body", "content", "entry",      "hentry",
                                          "h-entry", "main", "page",    "pagination", "post",
                                          "text",    "blog", "story"};
constexpr std::string_view kNegative[] = {
    "-ad-",     "hidden", "banner",   "combx",   "comment",    "com-",     "contact",  "foot",
    "footnote", "gdpr",   "masthead", "media",   "meta",       "outbrain", "promo",    "related",
    "scroll",   "share",  "shoutbox", "sidebar", "skyscraper", "sponsor",  "shopping", "tags",
    "tool",     "widget", "byline",   "author",  "caption",    "credit"};
constexpr std::string_view kUnlikelyRoles[] = {
    "menu",        "menubar", "complementary", "navigation",  "alert",
    "alertdialog", "dialog",  "banner",        "contentinfo", "search"};
constexpr std::string_view kByline[] = {"byline", "author", "dateline", "writtenby", "p-author"};

template <typename List>
bool ContainsAnyOf(std::string_view text, const List& words) {
    for (std::string_view w : words)
        if (text.find(w) != std::string_view::npos) return true;
    return false;
}
bool ContainsAny(std::string_view text, Words words) {
    return ContainsAnyOf(text, words);
}
template <size_t N>
bool ContainsAny(std::string_view text, const std::string_view (&words)[N]) {
    return ContainsAnyOf(text, words);
}

template <typename List>
bool IsAmong(std::string_view name, const List& names) {
    for (std::string_view n : names)
        if (n == name) return true;
    return false;
}
bool IsOneOf(std::string_view name, Words names) {
    return IsAmong(name, names);
}
template <size_t N>
bool IsOneOf(std::string_view name, const std::string_view (&names)[N]) {
    return IsAmong(name, names);
}

bool IsHeading(std::string_view name) {
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

// Elements that end a paragraph when found inside one: a div holding none is a paragraph.
bool IsBlockForParagraph(std::string_view name) {
    return IsOneOf(name,
                   {"blockquote", "dl",      "div",    "img", "ol",   "p",    "pre", "table", "ul",
                    "section",    "article", "figure", "h1",  "h2",   "h3",   "h4",  "h5",    "h6",
                    "header",     "footer",  "aside",  "nav", "form", "main", "li"});
}

// Elements that start a line in the plain text.
bool IsTextBlock(std::string_view name) {
    return IsOneOf(
        name, {"p",       "div",     "section",    "article", "main",     "li",         "ul",
               "ol",      "dl",      "dt",         "dd",      "pre",      "blockquote", "table",
               "tr",      "figure",  "figcaption", "header",  "footer",   "address",    "hr",
               "details", "summary", "caption",    "form",    "fieldset", "aside",      "nav",
               "center",  "h1",      "h2",         "h3",      "h4",       "h5",         "h6",
               "tbody",   "thead",   "tfoot"});
}

std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    return out;
}

// What the extraction may do, loosened step by step when a strict pass finds too little.
struct Pass {
    bool stripUnlikely = true;
    bool weighClasses = true;
    bool cleanConditionally = true;
};

// Per node, what its subtree holds; recomputed after each round of removals.
struct Stats {
    int length = 0;
    int commas = 0;
    int linkLength = 0;
    int headingLength = 0;
    int listLength = 0;
    int paragraphs = 0;
    int images = 0;
    int items = 0;
    bool hasBlock = false;
    bool dead = false;
};

// The label a page puts above an advertisement's space.
bool IsAdvertisementLabel(std::string_view text) {
    const std::string lowered = Lowered(text);
    for (std::string_view label :
         {"advertisement", "advert", "ad", "ads", "sponsored", "advertisement - scroll to continue",
          "スポンサーリンク", "広告", "pr", "[pr]", "（pr）", "(pr)"})
        if (lowered == label) return true;
    return false;
}

class Extraction {
  public:
    Extraction(PageTree& tree, const Pass& pass, std::string_view title)
        : m_tree(tree), m_pass(pass), m_title(title) {
        m_textMeasure.resize(tree.nodes.size());
        for (size_t i = 0; i < tree.nodes.size(); ++i)
            if (tree.nodes[i].IsText()) m_textMeasure[i] = MeasureText(tree.nodes[i].text);
    }

    // The article's roots, in page order; empty when there is nothing to take.
    std::vector<int> Run() {
        if (m_pass.stripUnlikely) RemoveFurniture();
        ComputeStats();
        ScoreParagraphs();
        const int top = ChooseTop();
        if (top < 0) return {};
        std::vector<int> roots = WithSiblings(top);
        for (int root : roots) Clean(root);
        ComputeStats();
        return roots;
    }

    const std::string& Author() const { return m_author; }
    const Stats& StatsOf(int node) const { return m_stats[node]; }

  private:
    PageNode& Node(int i) { return m_tree.nodes[i]; }

    // The element's class and id, lower-case, as one text to look for words in.
    std::string ClassAndId(int i) {
        const PageNode& node = Node(i);
        return Lowered(node.Attribute("class")) + ' ' + Lowered(node.Attribute("id"));
    }

    bool HasAncestor(int i, Words names, int maxDepth = 1 << 30) {
        for (int p = Node(i).parent, depth = 0; p >= 0 && depth < maxDepth;
             p = Node(p).parent, ++depth)
            if (IsOneOf(Node(p).name, names)) return true;
        return false;
    }

    int ClassWeight(int i) {
        if (!m_pass.weighClasses) return 0;
        int weight = 0;
        const PageNode& node = Node(i);
        for (std::string_view value : {node.Attribute("class"), node.Attribute("id")}) {
            if (value.empty()) continue;
            const std::string lowered = Lowered(value);
            if (ContainsAny(lowered, kNegative)) weight -= 25;
            if (ContainsAny(lowered, kPositive)) weight += 25;
        }
        return weight;
    }

    // Takes out menus, side bars, comments, notices and the like before anything is scored,
    // keeping the byline's text as the author.
    void RemoveFurniture() {
        std::vector<bool> dead(m_tree.nodes.size(), false);
        for (size_t i = 1; i < m_tree.nodes.size(); ++i) {
            PageNode& node = Node(static_cast<int>(i));
            dead[i] = node.removed || dead[node.parent];
            if (dead[i] || node.IsText()) continue;
            const std::string words = ClassAndId(static_cast<int>(i));
            const std::string role = Lowered(node.Attribute("role"));
            bool remove = false;
            if (IsOneOf(node.name, {"nav", "aside", "footer", "menu"}) ||
                IsOneOf(role, kUnlikelyRoles)) {
                remove = true;
            } else if (node.name != "a" && node.name != "body" && node.name != "article" &&
                       node.name != "main" && ContainsAny(words, kUnlikely) &&
                       !ContainsAny(words, kMaybe) && !HasAncestor(i, {"table", "code", "pre"})) {
                remove = true;
            } else if ((node.Attribute("rel") == "author" ||
                        Lowered(node.Attribute("itemprop")).find("author") != std::string::npos ||
                        ContainsAny(words, kByline)) &&
                       !ContainsAny(words, {"article", "content", "body"})) {
                const std::string text = TextOf(static_cast<int>(i));
                const TextMeasure measure = MeasureText(text);
                if (measure.length > 0 && measure.length < 100) {
                    if (m_author.empty()) m_author = text;
                    remove = true;
                }
            }
            if (remove) {
                node.removed = true;
                dead[i] = true;
            }
        }
    }

    void ComputeStats() {
        const size_t n = m_tree.nodes.size();
        m_stats.assign(n, Stats{});
        for (size_t i = 0; i < n; ++i) {
            const PageNode& node = m_tree.nodes[i];
            m_stats[i].dead = node.removed || (node.parent >= 0 && m_stats[node.parent].dead);
        }
        for (size_t i = n; i-- > 0;) {
            Stats& s = m_stats[i];
            if (s.dead) continue;
            const PageNode& node = m_tree.nodes[i];
            if (node.IsText()) {
                s.length = m_textMeasure[i].length;
                s.commas = m_textMeasure[i].commas;
            } else {
                if (node.name == "a") s.linkLength = s.length;
                if (IsHeading(node.name)) s.headingLength = s.length;
                if (node.name == "ul" || node.name == "ol") s.listLength = s.length;
                if (node.name == "p") ++s.paragraphs;
                if (node.name == "img") ++s.images;
                if (node.name == "li") ++s.items;
            }
            if (node.parent < 0) continue;
            Stats& p = m_stats[node.parent];
            p.length += s.length;
            p.commas += s.commas;
            p.linkLength += s.linkLength;
            p.headingLength += s.headingLength;
            p.listLength += s.listLength;
            p.paragraphs += s.paragraphs;
            p.images += s.images;
            p.items += s.items;
            p.hasBlock = p.hasBlock || s.hasBlock || IsBlockForParagraph(node.name);
        }
    }

    double LinkDensity(int i) const {
        const Stats& s = m_stats[i];
        return s.length ? static_cast<double>(s.linkLength) / s.length : 0.0;
    }

    void InitScore(int i) {
        if (m_scored[i]) return;
        m_scored[i] = true;
        const std::string& name = Node(i).name;
        double score = 0;
        if (name == "div")
            score = 5;
        else if (IsOneOf(name, {"pre", "td", "blockquote"}))
            score = 3;
        else if (IsOneOf(name, {"address", "ol", "ul", "dl", "dd", "dt", "li", "form"}))
            score = -3;
        else if (IsHeading(name) || name == "th")
            score = -5;
        m_score[i] = score + ClassWeight(i);
    }

    // Adds a paragraph's worth to its ancestors: all of it to the first, half to the second, a
    // third of a level's share to those above.
    void Credit(int first, const Stats& paragraph) {
        const double score = 1 + paragraph.commas + std::min(paragraph.length / 100, 3);
        int level = 0;
        for (int a = first; a >= 0 && level < 5; a = Node(a).parent, ++level) {
            InitScore(a);
            const double divider = level == 0 ? 1 : level == 1 ? 2 : level * 3;
            m_score[a] += score / divider;
        }
    }

    void ScoreParagraphs() {
        const size_t n = m_tree.nodes.size();
        m_score.assign(n, 0);
        m_scored.assign(n, false);
        for (size_t u = 1; u < n; ++u) {
            const int i = static_cast<int>(u);
            const PageNode& node = Node(i);
            const Stats& s = m_stats[i];
            if (s.dead || node.IsText()) continue;
            const bool scoredTag =
                IsOneOf(node.name, {"p", "pre", "td", "section", "h2", "h3", "h4", "h5", "h6"});
            const bool textDiv = !s.hasBlock && IsOneOf(node.name, {"div", "article", "main"});
            if (scoredTag || textDiv) {
                // A paragraph inside a paragraph counts once, in the outer one.
                if (!scoredTag && HasAncestor(i, {"p"}, 3)) continue;
                if (s.length < 25) continue;
                // A cell of a table that lays out the page is a column of its own: its text
                // is that column's, not the row's, which also holds the menus beside it.
                Credit(node.name == "td" ? i : node.parent, s);
                continue;
            }
            if (s.hasBlock && IsOneOf(node.name, {"div", "article", "main", "section", "td"})) {
                // The loose text of a div that also holds blocks is a paragraph of its own.
                Stats loose;
                for (int child : node.children) {
                    const PageNode& c = Node(child);
                    const Stats& cs = m_stats[child];
                    if (cs.dead || (!c.IsText() && (IsBlockForParagraph(c.name) || cs.hasBlock)))
                        continue;
                    loose.length += cs.length;
                    loose.commas += cs.commas;
                }
                if (loose.length >= 25) Credit(i, loose);
            }
        }
    }

    int ChooseTop() {
        std::vector<int> candidates;
        for (size_t i = 0; i < m_tree.nodes.size(); ++i) {
            if (!m_scored[i] || m_stats[i].dead) continue;
            m_score[i] *= 1 - LinkDensity(static_cast<int>(i));
            candidates.push_back(static_cast<int>(i));
        }
        if (candidates.empty()) return -1;
        std::stable_sort(candidates.begin(), candidates.end(),
                         [&](int a, int b) { return m_score[a] > m_score[b]; });
        int top = candidates.front();
        if (top == 0) return 0;
        const double topScore = m_score[top];

        // When several strong candidates share an ancestor, the article is that ancestor.
        std::vector<std::vector<int>> lines;
        for (size_t k = 1; k < std::min<size_t>(candidates.size(), 5); ++k)
            if (m_score[candidates[k]] >= topScore * 0.75) {
                std::vector<int> line;
                for (int a = Node(candidates[k]).parent; a >= 0; a = Node(a).parent)
                    line.push_back(a);
                lines.push_back(std::move(line));
            }
        if (lines.size() >= 3) {
            for (int parent = Node(top).parent; parent > 0; parent = Node(parent).parent) {
                int holding = 0;
                for (const auto& line : lines)
                    if (std::find(line.begin(), line.end(), parent) != line.end()) ++holding;
                if (holding >= 3) {
                    top = parent;
                    break;
                }
            }
        }
        if (!m_scored[top]) InitScore(top);

        // Climb while the parent is worth about as much: the article spans it.
        int parent = Node(top).parent;
        double lastScore = m_score[top];
        const double threshold = lastScore / 3;
        while (parent > 0) {
            if (!m_scored[parent]) {
                parent = Node(parent).parent;
                continue;
            }
            const double parentScore = m_score[parent];
            if (parentScore < threshold) break;
            if (parentScore > lastScore) {
                top = parent;
                break;
            }
            lastScore = parentScore;
            parent = Node(parent).parent;
        }
        // An only child stands for its parent.
        while (top > 0 && Node(top).parent > 0) {
            int live = 0;
            for (int c : Node(Node(top).parent).children)
                if (!m_stats[c].dead && !(Node(c).IsText() && m_stats[c].length == 0)) ++live;
            if (live != 1) break;
            top = Node(top).parent;
        }
        return top;
    }

    // The top candidate and those of its siblings that look like more of the same article.
    std::vector<int> WithSiblings(int top) {
        if (top == 0) return {0};
        if (!m_scored[top]) InitScore(top);
        const double threshold = std::max(10.0, m_score[top] * 0.2);
        const std::string_view topClass = Node(top).Attribute("class");
        std::vector<int> roots;
        for (int sibling : Node(Node(top).parent).children) {
            const Stats& s = m_stats[sibling];
            if (s.dead) continue;
            if (sibling == top) {
                roots.push_back(sibling);
                continue;
            }
            const PageNode& node = Node(sibling);
            if (node.IsText()) continue;
            double bonus = 0;
            if (!topClass.empty() && node.Attribute("class") == topClass)
                bonus += m_score[top] * 0.2;
            bool append = m_scored[sibling] && m_score[sibling] + bonus >= threshold;
            if (!append && (node.name == "p" || (node.name == "div" && !s.hasBlock))) {
                const double density = LinkDensity(sibling);
                const std::string text = TextOf(sibling);
                if (s.length > 80 && density < 0.25)
                    append = true;
                else if (s.length > 0 && s.length <= 80 && density == 0 &&
                         (text.find(". ") != std::string::npos || text.ends_with('.') ||
                          text.find("\xE3\x80\x82") != std::string::npos))
                    append = true;
            }
            if (append) roots.push_back(sibling);
        }
        return roots;
    }

    bool IsDataTable(int i) {
        const PageNode& table = Node(i);
        if (table.Attribute("role") == "presentation") return false;
        if (!table.Attribute("summary").empty()) return true;
        int rows = 0;
        int columns = 0;
        std::vector<int> stack(table.children.rbegin(), table.children.rend());
        while (!stack.empty()) {
            const int n = stack.back();
            stack.pop_back();
            const PageNode& node = Node(n);
            if (IsOneOf(node.name, {"caption", "th", "thead", "tfoot", "colgroup", "col"}))
                return true;
            if (node.name == "table") return false;
            if (node.name == "tr") {
                ++rows;
                int cells = 0;
                for (int c : node.children)
                    if (Node(c).name == "td") ++cells;
                columns = std::max(columns, cells);
            }
            for (auto c = node.children.rbegin(); c != node.children.rend(); ++c)
                stack.push_back(*c);
        }
        return rows >= 10 || columns > 4 || rows * columns > 10;
    }

    // Whether a list, table or div inside the article is furniture after all: mostly links,
    // images without text, more list items than paragraphs, or too short to be prose.
    bool IsFurniture(int i) {
        const PageNode& node = Node(i);
        const Stats& s = m_stats[i];
        if (node.name == "table" && IsDataTable(i)) return false;
        if (HasAncestor(i, {"code", "pre"})) return false;
        const int weight = ClassWeight(i);
        const double score = m_scored[i] ? m_score[i] : 0;
        if (weight + score < 0) return true;
        if (s.commas >= 10) return false;
        const bool isList = node.name == "ul" || node.name == "ol" ||
                            (s.length > 0 && s.listLength > 0.9 * s.length);
        const bool inFigure = HasAncestor(i, {"figure"});
        const double density = LinkDensity(i);
        const double headingDensity =
            s.length ? static_cast<double>(s.headingLength) / s.length : 0;
        const int items = s.items - 100;
        if (s.images > 1 && static_cast<double>(s.paragraphs) / s.images < 0.5 && !inFigure)
            return true;
        if (!isList && items > s.paragraphs) return true;
        if (!isList && headingDensity < 0.9 && s.length < 25 && (s.images == 0 || s.images > 2) &&
            !inFigure)
            return true;
        if (!isList && weight < 25 && density > 0.2) return true;
        if (weight >= 25 && density > 0.5) return true;
        if (isList && density > 0.5) return true;
        return false;
    }

    void Clean(int root) {
        ComputeStats();
        std::vector<int> stack{root};
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            PageNode& node = Node(i);
            if (node.removed || node.IsText()) continue;
            bool remove = false;
            if (i != root) {
                if (node.name == "h1") {
                    remove = true;
                } else if (IsHeading(node.name) && ClassWeight(i) < 0) {
                    remove = true;
                } else if (IsHeading(node.name) && !m_title.empty() &&
                           TextOf(i).find(m_title) != std::string::npos &&
                           m_stats[i].length < 2 * MeasureText(m_title).length) {
                    remove = true;
                } else if (ContainsAny(ClassAndId(i), {"share", "sharedaddy", "social"}) &&
                           m_stats[i].length < 500) {
                    remove = true;
                } else if (m_pass.cleanConditionally &&
                           IsOneOf(node.name, {"form", "fieldset", "table", "ul", "ol", "div",
                                               "section", "dl", "header"})) {
                    remove = IsFurniture(i);
                } else if (node.name == "p" && m_stats[i].length == 0 && m_stats[i].images == 0) {
                    remove = true;
                } else if (m_stats[i].length > 0 && m_stats[i].length <= 24 &&
                           IsAdvertisementLabel(TextOf(i))) {
                    remove = true;
                } else if (node.name == "p" && m_stats[i].length < 250 && LinkDensity(i) > 0.6) {
                    // A paragraph that is a link and little else points to another article.
                    remove = true;
                }
            }
            if (remove) {
                node.removed = true;
                continue;
            }
            for (auto c = node.children.rbegin(); c != node.children.rend(); ++c)
                stack.push_back(*c);
        }
    }

  public:
    std::string TextOf(int root) const {
        std::string out;
        std::vector<int> stack{root};
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            const PageNode& node = m_tree.nodes[i];
            if (node.removed) continue;
            if (node.IsText()) {
                out += node.text;
                continue;
            }
            for (auto c = node.children.rbegin(); c != node.children.rend(); ++c)
                stack.push_back(*c);
        }
        const size_t start = out.find_first_not_of(' ');
        if (start == std::string::npos) return {};
        return out.substr(start, out.find_last_not_of(' ') - start + 1);
    }

  private:
    PageTree& m_tree;
    Pass m_pass;
    std::string m_title;
    std::vector<TextMeasure> m_textMeasure;
    std::vector<Stats> m_stats;
    std::vector<double> m_score;
    std::vector<bool> m_scored;
    std::string m_author;
};

// What a walk does after opening a node: whether it goes into its children, and whether it
// closes the node after them.
struct Visit {
    bool children = false;
    bool close = false;
};

// Walks the article's roots in document order, without recursion however deep the page: `open`
// is called for each node still in the page and returns a Visit; `close` is called after the
// children of the nodes that asked for it.
template <typename Open, typename Close>
void WalkArticle(const PageTree& tree, const std::vector<int>& roots, Open open, Close close) {
    struct Step {
        int node;
        bool close;
    };
    std::vector<Step> stack;
    for (auto r = roots.rbegin(); r != roots.rend(); ++r) stack.push_back({*r, false});
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        const PageNode& node = tree.nodes[step.node];
        if (step.close) {
            close(node);
            continue;
        }
        if (node.removed) continue;
        const Visit visit = open(node);
        if (visit.close) stack.push_back({step.node, true});
        if (!visit.children) continue;
        for (auto c = node.children.rbegin(); c != node.children.rend(); ++c)
            stack.push_back({*c, false});
    }
}

bool IsVoid(std::string_view name) {
    return IsOneOf(name, {"br", "img", "hr", "wbr", "source", "col", "area", "track"});
}

// The markup of the article's roots, with the attributes a reader keeps.
std::string SerializeHtml(const PageTree& tree, const std::vector<int>& roots) {
    std::string out;
    // The body as a root is the whole page: its children stand in a div.
    auto nameOf = [](const PageNode& node) -> std::string_view {
        if (node.name == "body") return "div";
        return node.name;
    };
    WalkArticle(
        tree, roots,
        [&](const PageNode& node) {
            if (node.IsText()) {
                AppendHtmlEscaped(out, node.text);
                return Visit{};
            }
            const std::string_view name = nameOf(node);
            out += '<';
            out += name;
            for (const auto& [key, value] : node.attributes) {
                if (!IsOneOf(key, {"href", "src", "alt", "title", "colspan", "rowspan", "datetime",
                                   "start", "lang", "dir", "cite"}))
                    continue;
                out += ' ';
                out += key;
                out += "=\"";
                AppendHtmlEscaped(out, value);
                out += '"';
            }
            out += '>';
            if (IsVoid(name)) return Visit{};
            return Visit{true, true};
        },
        [&](const PageNode& node) {
            out += "</";
            out += nameOf(node);
            out += '>';
        });
    return out;
}

// The article as plain text: each block on lines of its own, blocks apart by a blank line.
std::string PlainText(const PageTree& tree, const std::vector<int>& roots) {
    std::string out;
    auto breakLine = [&](bool blank) {
        while (!out.empty() && out.back() == ' ') out.pop_back();
        if (out.empty()) return;
        const size_t newlines = out.size() - out.find_last_not_of('\n') - 1;
        const size_t wanted = blank ? 2 : 1;
        for (size_t k = newlines; k < wanted; ++k) out += '\n';
    };
    WalkArticle(
        tree, roots,
        [&](const PageNode& node) {
            if (node.IsText()) {
                std::string_view text = node.text;
                if (!out.empty() && (out.back() == '\n' || out.back() == ' ') &&
                    text.starts_with(' '))
                    text.remove_prefix(1);
                if (out.empty() && text.starts_with(' ')) text.remove_prefix(1);
                out += text;
                return Visit{};
            }
            if (node.name == "br") {
                // Two line breaks in a row part paragraphs, as pages without <p> write them.
                breakLine(!out.empty() && out.back() == '\n');
                return Visit{};
            }
            if (node.name == "figcaption") return Visit{};
            if (node.name == "td" || node.name == "th") {
                if (!out.empty() && out.back() != '\n' && out.back() != ' ') out += ' ';
            }
            const bool block = IsTextBlock(node.name);
            if (block) breakLine(node.name != "li" && node.name != "tr" && node.name != "dd");
            return Visit{true, block};
        },
        [&](const PageNode& node) {
            breakLine(node.name != "li" && node.name != "tr" && node.name != "dt");
        });
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

std::string Failure(PageParse parse) {
    switch (parse) {
        case PageParse::TooLarge:
            return "ページが大きすぎます";
        case PageParse::TooDeep:
            return "ページの要素の入れ子が深すぎます";
        case PageParse::NotHtml:
            return "ページが HTML ではありません";
        case PageParse::Ok:
            break;
    }
    return {};
}

ExtractedArticle ExtractFromTree(PageTree& tree, PageParse parse, std::string_view pageUrl,
                                 const ExtractOptions& options) {
    ExtractedArticle article;
    if (parse != PageParse::Ok) {
        article.failure = Failure(parse);
        return article;
    }
    const PageMetadata meta = ReadPageMetadata(tree);
    article.title = meta.title;
    article.author = meta.author;
    article.date = meta.date;

    // A strict pass first; when it keeps too little, looser ones, and the longest result wins.
    constexpr int kEnough = 200;
    const Pass passes[] = {
        {true, true, true}, {false, true, true}, {false, false, true}, {false, false, false}};
    const std::vector<bool> original = [&] {
        std::vector<bool> removed;
        for (const PageNode& node : tree.nodes) removed.push_back(node.removed);
        return removed;
    }();
    std::vector<bool> bestRemoved;
    std::vector<int> bestRoots;
    int bestLength = -1;
    std::string author;
    for (const Pass& pass : passes) {
        for (size_t i = 0; i < tree.nodes.size(); ++i) tree.nodes[i].removed = original[i];
        Extraction extraction(tree, pass, meta.title);
        std::vector<int> roots = extraction.Run();
        int length = 0;
        for (int root : roots) length += extraction.StatsOf(root).length;
        if (author.empty()) author = extraction.Author();
        if (length > bestLength) {
            bestLength = length;
            bestRoots = std::move(roots);
            bestRemoved.clear();
            for (const PageNode& node : tree.nodes) bestRemoved.push_back(node.removed);
        }
        if (length >= kEnough) break;
    }
    for (size_t i = 0; i < tree.nodes.size(); ++i) tree.nodes[i].removed = bestRemoved[i];
    if (article.author.empty()) article.author = author;

    article.text = bestRoots.empty() ? std::string() : PlainText(tree, bestRoots);
    if (article.text.empty()) {
        article.failure = "本文が見つかりません";
        return article;
    }
    if (!options.html) return article;
    // Relative addresses are the page's, or its <base>'s when it names one.
    std::string base(pageUrl);
    if (!tree.baseHref.empty()) {
        const std::string resolved = CheckedUrl(tree.baseHref, UrlUse::Link, pageUrl);
        if (!resolved.empty()) base = resolved;
    }
    article.html = SanitizeHtml(SerializeHtml(tree, bestRoots), base);
    return article;
}

}  // namespace

ExtractedArticle ExtractArticle(std::string_view utf8Page, std::string_view pageUrl,
                                const ExtractOptions& options) {
    PageTree tree;
    const PageParse parse = ParsePage(utf8Page, tree);
    return ExtractFromTree(tree, parse, pageUrl, options);
}

ExtractedArticle ExtractArticleTakingPage(std::string utf8Page, std::string_view pageUrl,
                                          const ExtractOptions& options) {
    PageTree tree;
    const PageParse parse = ParsePage(utf8Page, tree);
    // The tree holds all that is read from here on: the page itself can go.
    std::string().swap(utf8Page);
    return ExtractFromTree(tree, parse, pageUrl, options);
}

}  // namespace varlo
