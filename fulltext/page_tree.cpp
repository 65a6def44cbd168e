#include "fulltext/page_tree.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "fulltext/lazy_images.h"
#include "platform/text.h"

namespace varlo {
namespace {

// The parser's memory comes from malloc, with nothing added to each block (a page of a million
// small nodes would pay for any header twice over): the tree is given back node by node while
// the page's own tree is built from it, so that the one grows as the other shrinks, and whatever
// the walk leaves is freed without recursion, where the parser's own clean-up would recurse once
// per level.
void* ParserAllocate(void*, size_t size) {
    void* memory = std::malloc(size);
    if (!memory) std::abort();  // the parser does not check, and cannot go on without it
    return memory;
}
void ParserFree(void*, void* memory) {
    std::free(memory);
}

// Frees what `node` holds itself, not its children: the walk gives back each node it is done with
// (its children are on the walk's stack by now), so that the page's tree grows as the parser's
// shrinks instead of both being held whole.
void ReleaseNode(const GumboNode* node) {
    auto free = [](const void* memory) { std::free(const_cast<void*>(memory)); };
    switch (node->type) {
        case GUMBO_NODE_DOCUMENT:
            free(node->v.document.children.data);
            free(node->v.document.name);
            free(node->v.document.public_identifier);
            free(node->v.document.system_identifier);
            break;
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboVector& attributes = node->v.element.attributes;
            for (unsigned i = 0; i < attributes.length; ++i) {
                const auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
                free(attribute->name);
                free(attribute->value);
                free(attribute);
            }
            free(attributes.data);
            free(node->v.element.children.data);
            break;
        }
        default:
            free(node->v.text.text);
            break;
    }
    free(node);
}

const GumboVector* ChildrenOf(const GumboNode* node) {
    if (node->type == GUMBO_NODE_DOCUMENT) return &node->v.document.children;
    if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
        return &node->v.element.children;
    return nullptr;
}

// Frees `node` and everything under it, `except` (whose own memory is freed as the walk left it).
void ReleaseTree(const GumboNode* node, const GumboNode* except = nullptr) {
    std::vector<const GumboNode*> stack{node};
    while (!stack.empty()) {
        const GumboNode* n = stack.back();
        stack.pop_back();
        if (n == except) continue;
        if (const GumboVector* children = ChildrenOf(n))
            for (unsigned i = 0; i < children->length; ++i)
                stack.push_back(static_cast<const GumboNode*>(children->data[i]));
        ReleaseNode(n);
    }
}

std::string LowerCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}
bool StartsWithNoCase(std::string_view text, size_t at, std::string_view lower) {
    if (at + lower.size() > text.size()) return false;
    for (size_t i = 0; i < lower.size(); ++i)
        if (AsciiLower(text[at + i]) != lower[i]) return false;
    return true;
}
std::string CollapseSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool space = false;
    for (char c : text) {
        if (IsHtmlSpace(c)) {
            space = true;
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c;
    }
    if (space) out += ' ';
    return out;
}

// Elements whose end the parser finds by itself, and empty ones: they add no depth.
bool AddsNoDepth(std::string_view name) {
    static constexpr std::string_view kNames[] = {
        "p",     "li",    "dt",    "dd",       "tr",   "td",   "th",   "option", "optgroup",
        "thead", "tbody", "tfoot", "colgroup", "rb",   "rt",   "rp",   "br",     "img",
        "hr",    "meta",  "link",  "input",    "area", "base", "col",  "embed",  "source",
        "track", "wbr",   "param", "keygen",   "html", "head", "body", "image"};
    for (std::string_view n : kNames)
        if (n == name) return true;
    return false;
}

bool IsSkippedElement(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_TEMPLATE:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_FRAME:
        case GUMBO_TAG_FRAMESET:
        case GUMBO_TAG_OBJECT:
        case GUMBO_TAG_EMBED:
        case GUMBO_TAG_APPLET:
        case GUMBO_TAG_CANVAS:
        case GUMBO_TAG_INPUT:
        case GUMBO_TAG_SELECT:
        case GUMBO_TAG_TEXTAREA:
        case GUMBO_TAG_BUTTON:
        case GUMBO_TAG_LINK:
        case GUMBO_TAG_META:
        case GUMBO_TAG_TITLE:
        case GUMBO_TAG_BASE:
        case GUMBO_TAG_HEAD:
        case GUMBO_TAG_NOSCRIPT:
            return true;
        default:
            return false;
    }
}

std::string_view AttributeOf(const GumboElement& element, const char* name) {
    const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
    return attribute ? std::string_view(attribute->value) : std::string_view();
}

std::string ElementName(const GumboElement& element) {
    if (element.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(element.tag);
    GumboStringPiece piece = element.original_tag;
    gumbo_tag_from_original_text(&piece);
    return LowerCopy(std::string_view(piece.data, piece.length));
}

// Hidden by its own markup: a browser would not show it, so a reader does not either.
bool IsHidden(const GumboElement& element) {
    if (gumbo_get_attribute(&element.attributes, "hidden")) return true;
    if (AttributeOf(element, "aria-hidden") == "true") return true;
    // Text for screen readers only ("Skip to content", "Opens in a new window").
    const std::string classes = LowerCopy(AttributeOf(element, "class"));
    for (std::string_view word : {"screen-reader-text", "sr-only", "visually-hidden",
                                  "visuallyhidden", "skip-link", "screenreader"})
        if (classes.find(word) != std::string::npos) return true;
    std::string style;
    for (char c : AttributeOf(element, "style"))
        if (!IsHtmlSpace(c)) style += AsciiLower(c);
    return style.find("display:none") != std::string::npos ||
           style.find("visibility:hidden") != std::string::npos;
}

// The text of all text nodes under `node`, in order.
std::string TextUnder(const GumboNode* node) {
    std::string out;
    std::vector<const GumboNode*> stack{node};
    while (!stack.empty()) {
        const GumboNode* n = stack.back();
        stack.pop_back();
        if (n->type == GUMBO_NODE_TEXT || n->type == GUMBO_NODE_CDATA ||
            n->type == GUMBO_NODE_WHITESPACE) {
            out += n->v.text.text;
        } else if (n->type == GUMBO_NODE_ELEMENT) {
            const GumboVector& children = n->v.element.children;
            for (unsigned i = children.length; i-- > 0;)
                stack.push_back(static_cast<const GumboNode*>(children.data[i]));
        }
    }
    return out;
}

PageNode ElementNode(std::string name) {
    PageNode node;
    node.name = std::move(name);
    return node;
}
PageNode TextNode(std::string text) {
    PageNode node;
    node.text = std::move(text);
    return node;
}

class TreeBuilder {
  public:
    explicit TreeBuilder(PageTree& tree) : m_tree(tree) {}

    void Build(const GumboNode* html) {
        m_tree.nodes.clear();  // keeps the capacity reserved
        m_tree.nodes.push_back(ElementNode("body"));
        struct Step {
            const GumboNode* node;
            int parent;  // -1: read for what it tells about the page, kept out of the tree
            bool pre;
        };
        std::vector<Step> stack;
        const GumboVector& top = html->v.element.children;
        for (unsigned i = top.length; i-- > 0;) {
            const auto* child = static_cast<const GumboNode*>(top.data[i]);
            const bool head =
                child->type == GUMBO_NODE_ELEMENT && child->v.element.tag == GUMBO_TAG_HEAD;
            stack.push_back({child, head ? -1 : 0, false});
        }
        // The head's own element is skipped below; its children are read for metadata.
        while (!stack.empty()) {
            const Step step = stack.back();
            stack.pop_back();
            const GumboNode* node = step.node;
            if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_CDATA ||
                node->type == GUMBO_NODE_WHITESPACE) {
                if (step.parent >= 0) {
                    const std::string_view raw = node->v.text.text;
                    AppendText(step.parent, step.pre ? std::string(raw) : CollapseSpaces(raw));
                }
                ReleaseNode(node);
                continue;
            }
            if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) {
                ReleaseTree(node);  // a comment
                continue;
            }
            const GumboElement& element = node->v.element;
            Harvest(node);
            int parent = step.parent;
            if (element.tag == GUMBO_TAG_HEAD) {
                PushChildren(stack, element, -1, false);
                ReleaseNode(node);
                continue;
            }
            if (parent < 0) {
                ReleaseTree(node);
                continue;
            }
            if (element.tag == GUMBO_TAG_NOSCRIPT) {
                TakeNoscriptImages(node, parent);
                ReleaseTree(node);
                continue;
            }
            if (IsSkippedElement(element.tag) || element.tag_namespace != GUMBO_NAMESPACE_HTML ||
                IsHidden(element)) {
                ReleaseTree(node);
                continue;
            }
            if (element.tag == GUMBO_TAG_BODY || element.tag == GUMBO_TAG_HTML) {
                PushChildren(stack, element, parent, step.pre);
                ReleaseNode(node);
                continue;
            }
            PageNode page = ElementNode(ElementName(element));
            for (unsigned i = 0; i < element.attributes.length; ++i) {
                const auto* attribute =
                    static_cast<const GumboAttribute*>(element.attributes.data[i]);
                const std::string_view key = attribute->name;
                if (key == "style" || key.starts_with("on")) continue;
                page.attributes.emplace_back(LowerCopy(key), attribute->value);
            }
            const int index = m_tree.Append(parent, std::move(page));
            if (element.tag == GUMBO_TAG_IMG) MakeImageReal(m_tree, index);
            PushChildren(stack, element, index, step.pre || element.tag == GUMBO_TAG_PRE);
            ReleaseNode(node);
        }
    }

  private:
    template <typename Stack>
    static void PushChildren(Stack& stack, const GumboElement& element, int parent, bool pre) {
        for (unsigned i = element.children.length; i-- > 0;)
            stack.push_back({static_cast<const GumboNode*>(element.children.data[i]), parent, pre});
    }

    void AppendText(int parent, std::string text) {
        PageNode& owner = m_tree.nodes[parent];
        // Texts that follow each other (split by a skipped element) become one.
        if (!owner.children.empty()) {
            PageNode& last = m_tree.nodes[owner.children.back()];
            if (last.IsText()) {
                if (last.text.ends_with(' ') && text.starts_with(' ')) text.erase(0, 1);
                last.text += text;
                return;
            }
        }
        m_tree.Append(parent, TextNode(std::move(text)));
    }

    void Harvest(const GumboNode* node) {
        const GumboElement& element = node->v.element;
        switch (element.tag) {
            case GUMBO_TAG_META: {
                std::string_view key = AttributeOf(element, "property");
                if (key.empty()) key = AttributeOf(element, "name");
                if (key.empty()) key = AttributeOf(element, "itemprop");
                const std::string_view content = AttributeOf(element, "content");
                if (!key.empty() && !content.empty())
                    m_tree.metas.emplace_back(LowerCopy(key), std::string(content));
                break;
            }
            case GUMBO_TAG_TITLE:
                if (m_tree.title.empty()) m_tree.title = CollapseSpaces(TextUnder(node));
                break;
            case GUMBO_TAG_BASE:
                if (m_tree.baseHref.empty()) m_tree.baseHref = AttributeOf(element, "href");
                break;
            case GUMBO_TAG_SCRIPT:
                if (LowerCopy(AttributeOf(element, "type")) == "application/ld+json")
                    m_tree.linkedData.push_back(TextUnder(node));
                break;
            default:
                break;
        }
    }

    // A <noscript> holds the page's images for browsers without script: where a lazy image
    // stands right before it, the noscript's address replaces a placeholder; otherwise its images
    // are the only ones and join the page. The parser may have kept its content as text.
    void TakeNoscriptImages(const GumboNode* noscript, int parent) {
        std::vector<std::pair<std::string, std::string>> images = NoscriptImages(noscript);
        for (auto& [src, alt] : images) {
            const std::vector<int>& siblings = m_tree.nodes[parent].children;
            int previous = -1;
            for (size_t i = siblings.size(); i-- > 0;) {
                const PageNode& sibling = m_tree.nodes[siblings[i]];
                if (sibling.IsText() && sibling.text == " ") continue;
                previous = siblings[i];
                break;
            }
            if (previous >= 0 && m_tree.nodes[previous].name == "img") {
                PageNode& image = m_tree.nodes[previous];
                if (IsPlaceholderImage(image.Attribute("src"))) image.SetAttribute("src", src);
                continue;
            }
            PageNode page = ElementNode("img");
            page.attributes = {{"src", std::move(src)}, {"alt", std::move(alt)}};
            m_tree.Append(parent, std::move(page));
        }
    }

    static std::vector<std::pair<std::string, std::string>> NoscriptImages(const GumboNode* node) {
        std::vector<std::pair<std::string, std::string>> images;
        std::vector<const GumboNode*> stack{node};
        while (!stack.empty()) {
            const GumboNode* n = stack.back();
            stack.pop_back();
            if (n->type == GUMBO_NODE_TEXT) {
                for (auto& image : ImagesInMarkup(n->v.text.text)) images.push_back(image);
            } else if (n->type == GUMBO_NODE_ELEMENT) {
                const GumboElement& element = n->v.element;
                if (element.tag == GUMBO_TAG_IMG) {
                    const std::string_view src = AttributeOf(element, "src");
                    if (!src.empty())
                        images.emplace_back(std::string(src),
                                            std::string(AttributeOf(element, "alt")));
                }
                for (unsigned i = element.children.length; i-- > 0;)
                    stack.push_back(static_cast<const GumboNode*>(element.children.data[i]));
            }
        }
        return images;
    }

    PageTree& m_tree;
};

bool LooksBinary(std::string_view page) {
    const std::string_view head = page.substr(0, 4096);
    size_t control = 0;
    for (char c : head) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0) return true;
        if (u < 0x20 && !IsHtmlSpace(c)) ++control;
    }
    return control * 20 > head.size();
}

}  // namespace

std::string_view PageNode::Attribute(std::string_view key) const {
    for (const auto& [attribute, value] : attributes)
        if (attribute == key) return value;
    return {};
}

void PageNode::SetAttribute(std::string_view key, std::string value) {
    for (auto& [attribute, old] : attributes)
        if (attribute == key) {
            old = std::move(value);
            return;
        }
    attributes.emplace_back(std::string(key), std::move(value));
}

std::string_view PageTree::Meta(std::string_view key) const {
    for (const auto& [name, content] : metas)
        if (name == key) return content;
    return {};
}

int PageTree::Append(int parent, PageNode node) {
    node.parent = parent;
    const int index = static_cast<int>(nodes.size());
    nodes.push_back(std::move(node));
    if (parent >= 0) nodes[parent].children.push_back(index);
    return index;
}

int EstimatedNestingDepth(std::string_view html, int limit) {
    int depth = 0;
    int deepest = 0;
    size_t at = 0;
    const size_t n = html.size();
    while (at < n) {
        const size_t open = html.find('<', at);
        if (open == std::string_view::npos || open + 1 >= n) break;
        if (html.compare(open, 4, "<!--") == 0) {
            const size_t end = html.find("-->", open + 4);
            if (end == std::string_view::npos) break;
            at = end + 3;
            continue;
        }
        const bool closing = html[open + 1] == '/';
        size_t start = open + (closing ? 2 : 1);
        size_t end = start;
        while (end < n && (std::isalnum(static_cast<unsigned char>(html[end])) || html[end] == '-'))
            ++end;
        if (end == start || !std::isalpha(static_cast<unsigned char>(html[start]))) {
            at = open + 1;
            continue;
        }
        const std::string name = LowerCopy(html.substr(start, end - start));
        // The end of the tag, stepping over quoted attribute values.
        size_t close = end;
        char quote = 0;
        while (close < n && (quote || html[close] != '>')) {
            if (quote) {
                if (html[close] == quote) quote = 0;
            } else if (html[close] == '"' || html[close] == '\'') {
                quote = html[close];
            }
            ++close;
        }
        if (close >= n) break;
        at = close + 1;
        if (closing) {
            if (!AddsNoDepth(name) && depth > 0) --depth;
            continue;
        }
        if (name == "script" || name == "style" || name == "textarea" || name == "xmp" ||
            name == "title" || name == "plaintext") {
            // Raw text up to the matching end tag.
            size_t search = at;
            while (true) {
                const size_t next = html.find("</", search);
                if (next == std::string_view::npos) return deepest;
                if (StartsWithNoCase(html, next + 2, name)) {
                    at = next;
                    break;
                }
                search = next + 2;
            }
            continue;
        }
        // In HTML a closing slash means nothing ("<div/>" opens a div); in foreign content, which
        // uses names HTML does not know, it ends the element.
        if (AddsNoDepth(name)) continue;
        if (html[close - 1] == '/' && gumbo_tag_enum(name.c_str()) == GUMBO_TAG_UNKNOWN) continue;
        if (++depth > deepest) {
            deepest = depth;
            if (deepest > limit) return deepest;
        }
    }
    return deepest;
}

PageParse ParsePage(std::string_view utf8, PageTree& tree) {
    tree = PageTree{};
    if (utf8.size() > kMaxPageBytes) return PageParse::TooLarge;
    if (LooksBinary(utf8)) return PageParse::NotHtml;
    if (EstimatedNestingDepth(utf8, kMaxPageDepth) > kMaxPageDepth) return PageParse::TooDeep;

    // An element per start tag and a text after each tag at most, about one node per '<' in all:
    // reserving them keeps the vector from holding the tree one and a half times while it grows.
    tree.nodes.reserve(static_cast<size_t>(std::count(utf8.begin(), utf8.end(), '<')) + 16);
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &ParserAllocate;
    options.deallocator = &ParserFree;
    // Each recorded error copies the stack of open elements: a broken page would fill memory.
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
    TreeBuilder(tree).Build(output->root);
    // The walk gave back the root's descendants; the rest goes here, as gumbo_destroy_output
    // would free it but without its recursion. No parse error was recorded (see above).
    ReleaseTree(output->document, output->root);
    ReleaseNode(output->root);
    std::free(output->errors.data);
    std::free(output);
    return PageParse::Ok;
}

}  // namespace varlo
