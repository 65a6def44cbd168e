#include "preview/html_sanitizer.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "encoding/carried_reference.h"
#include "encoding/codepage.h"
#include "feeds/address.h"
#include "fetch/find_feed.h"
#include "platform/text.h"

namespace varlo {
namespace {

// ---- Escaping

// Length of the well-formed entity or character reference at `text[at]` (an "&"), or 0.
size_t ReferenceLength(std::string_view text, size_t at) {
    size_t p = at + 1;
    if (p < text.size() && text[p] == '#') {
        // Longer runs of digits are not kept as references: they would only name nothing.
        const NumericReferenceScan scan = ScanNumericReference(text.substr(at), true);
        return scan.terminated && scan.digits <= 8 ? scan.length : 0;
    } else {
        const size_t name = p;
        if (p >= text.size() || !IsAsciiAlpha(text[p])) return 0;
        while (p < text.size() && p - name < 32 && IsAsciiAlnum(text[p])) ++p;
    }
    return p < text.size() && text[p] == ';' ? p + 1 - at : 0;
}

// Appends `text` escaped for HTML; references stay when `keepReferences`. NUL bytes are dropped:
// the browser would only turn them into replacement characters.
void AppendEscaped(std::string& out, std::string_view text, bool keepReferences) {
    size_t done = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* replacement;
        switch (c) {
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = "&gt;";
                break;
            case '"':
                replacement = "&quot;";
                break;
            case '\'':
                replacement = "&#39;";
                break;
            case '\0':
                replacement = "";
                break;
            case '&':
                if (keepReferences) {
                    if (const size_t length = ReferenceLength(text, i)) {
                        i += length - 1;
                        continue;
                    }
                }
                replacement = "&amp;";
                break;
            default:
                continue;
        }
        out.append(text.substr(done, i - done));
        out.append(replacement);
        done = i + 1;
    }
    out.append(text.substr(done));
}

// ---- Addresses

// A code point no page may carry (NUL, a surrogate, beyond Unicode) becomes U+FFFD.
void AppendValidUtf8(std::string& out, uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    AppendUtf8(cp, out);
}

// Named references that matter in addresses: those an attacker uses to hide a scheme's letters,
// its colon or white space, and the common ones of query strings.
struct NamedReference {
    std::string_view name;
    uint32_t cp;
};
constexpr NamedReference kNamedReferences[] = {
    {"amp", '&'},    {"AMP", '&'},      {"lt", '<'},      {"LT", '<'},     {"gt", '>'},
    {"GT", '>'},     {"quot", '"'},     {"QUOT", '"'},    {"apos", '\''},  {"nbsp", 0xA0},
    {"Tab", '\t'},   {"NewLine", '\n'}, {"colon", ':'},   {"sol", '/'},    {"bsol", '\\'},
    {"period", '.'}, {"comma", ','},    {"semi", ';'},    {"lpar", '('},   {"rpar", ')'},
    {"excl", '!'},   {"num", '#'},      {"percnt", '%'},  {"quest", '?'},  {"equals", '='},
    {"commat", '@'}, {"plus", '+'},     {"lowbar", '_'},  {"dollar", '$'}, {"ast", '*'},
    {"lsqb", '['},   {"rsqb", ']'},     {"lcub", '{'},    {"rcub", '}'},   {"verbar", '|'},
    {"Hat", '^'},    {"grave", '`'},    {"tilde", 0x2DC},
};

// `value` with its character references and the named references above decoded (numeric ones
// also without their ";", as browsers read them); other text stays as it is.
std::string DecodeReferences(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '&') {
            out.push_back(value[i]);
            continue;
        }
        size_t p = i + 1;
        if (p < value.size() && value[p] == '#') {
            const NumericReferenceScan scan = ScanNumericReference(value.substr(i), true);
            if (scan.digits == 0) {
                out.push_back('&');
                continue;
            }
            AppendValidUtf8(out, ReferencedCodePoint(scan.value));
            i += scan.length - 1;
            continue;
        }
        const size_t name = p;
        while (p < value.size() && p - name < 32 && IsAsciiAlnum(value[p])) ++p;
        bool decoded = false;
        if (p < value.size() && value[p] == ';') {
            const std::string_view word = value.substr(name, p - name);
            for (const NamedReference& ref : kNamedReferences) {
                if (ref.name == word) {
                    AppendValidUtf8(out, ref.cp);
                    i = p;
                    decoded = true;
                    break;
                }
            }
        }
        if (!decoded) out.push_back('&');
    }
    return out;
}

// Tabs and line breaks vanish anywhere in an address, and spaces and control characters around
// it are ignored: the browser's address parser does the same, so "java\tscript:" is a scheme.
std::string CleanAddress(std::string_view decoded) {
    std::string out;
    out.reserve(decoded.size());
    for (const char c : decoded)
        if (c != '\t' && c != '\n' && c != '\r') out.push_back(c);
    size_t begin = 0;
    size_t end = out.size();
    while (begin < end && static_cast<unsigned char>(out[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(out[end - 1]) <= 0x20) --end;
    return out.substr(begin, end - begin);
}

bool IsWebScheme(std::string_view scheme) {
    return scheme == "http" || scheme == "https";
}

// ---- Elements

enum class AttrRule : uint8_t { Text, Number, LinkUrl, ImageUrl };

struct AttrSpec {
    std::string_view name;
    AttrRule rule;
};

enum class Kind : uint8_t {
    Allowed,      // kept with its allowed attributes
    Void,         // kept, and has no content or end tag
    DropRaw,      // dropped with its content, which the browser reads as raw text
    DropContent,  // dropped with everything up to its matching end tag
    DropVoid,     // dropped (it has no content)
};

// Open elements that the browser closes when this one starts (its siblings of the same family,
// or a paragraph that a block cannot sit in); the output closes them itself, so that the tree it
// describes is the tree the browser builds.
enum class Closes : uint8_t { None, Paragraph, ListItem, DefinitionItem, Row, Cell, TableSection };

struct ElementRule {
    std::string_view name;
    Kind kind;
    std::span<const AttrSpec> attrs = {};
    Closes closes = Closes::None;
};

constexpr AttrSpec kAnchorAttrs[] = {{"href", AttrRule::LinkUrl}, {"title", AttrRule::Text}};
constexpr AttrSpec kImageAttrs[] = {{"src", AttrRule::ImageUrl},
                                    {"alt", AttrRule::Text},
                                    {"title", AttrRule::Text},
                                    {"width", AttrRule::Number},
                                    {"height", AttrRule::Number}};
constexpr AttrSpec kCellAttrs[] = {{"colspan", AttrRule::Number}, {"rowspan", AttrRule::Number}};
constexpr AttrSpec kListAttrs[] = {{"start", AttrRule::Number}};
constexpr AttrSpec kTitleAttrs[] = {{"title", AttrRule::Text}};

// Frequent elements first: the lookup is a short linear scan.
constexpr ElementRule kElements[] = {
    {"p", Kind::Allowed, {}, Closes::Paragraph},
    {"a", Kind::Allowed, kAnchorAttrs},
    {"br", Kind::Void, {}},
    {"img", Kind::Void, kImageAttrs},
    {"div", Kind::Allowed, {}, Closes::Paragraph},
    {"span", Kind::Allowed, {}},
    {"b", Kind::Allowed, {}},
    {"strong", Kind::Allowed, {}},
    {"i", Kind::Allowed, {}},
    {"em", Kind::Allowed, {}},
    {"li", Kind::Allowed, {}, Closes::ListItem},
    {"ul", Kind::Allowed, {}, Closes::Paragraph},
    {"ol", Kind::Allowed, kListAttrs, Closes::Paragraph},
    {"u", Kind::Allowed, {}},
    {"s", Kind::Allowed, {}},
    {"strike", Kind::Allowed, {}},
    {"del", Kind::Allowed, {}},
    {"ins", Kind::Allowed, {}},
    {"blockquote", Kind::Allowed, {}, Closes::Paragraph},
    {"q", Kind::Allowed, {}},
    {"cite", Kind::Allowed, {}},
    {"pre", Kind::Allowed, {}, Closes::Paragraph},
    {"code", Kind::Allowed, {}},
    {"kbd", Kind::Allowed, {}},
    {"samp", Kind::Allowed, {}},
    {"var", Kind::Allowed, {}},
    {"h1", Kind::Allowed, {}, Closes::Paragraph},
    {"h2", Kind::Allowed, {}, Closes::Paragraph},
    {"h3", Kind::Allowed, {}, Closes::Paragraph},
    {"h4", Kind::Allowed, {}, Closes::Paragraph},
    {"h5", Kind::Allowed, {}, Closes::Paragraph},
    {"h6", Kind::Allowed, {}, Closes::Paragraph},
    {"hr", Kind::Void, {}, Closes::Paragraph},
    {"table", Kind::Allowed, {}, Closes::Paragraph},
    {"caption", Kind::Allowed, {}, Closes::TableSection},
    {"thead", Kind::Allowed, {}, Closes::TableSection},
    {"tbody", Kind::Allowed, {}, Closes::TableSection},
    {"tfoot", Kind::Allowed, {}, Closes::TableSection},
    {"tr", Kind::Allowed, {}, Closes::Row},
    {"td", Kind::Allowed, kCellAttrs, Closes::Cell},
    {"th", Kind::Allowed, kCellAttrs, Closes::Cell},
    {"figure", Kind::Allowed, {}, Closes::Paragraph},
    {"figcaption", Kind::Allowed, {}, Closes::Paragraph},
    {"dl", Kind::Allowed, {}, Closes::Paragraph},
    {"dt", Kind::Allowed, {}, Closes::DefinitionItem},
    {"dd", Kind::Allowed, {}, Closes::DefinitionItem},
    {"sub", Kind::Allowed, {}},
    {"sup", Kind::Allowed, {}},
    {"small", Kind::Allowed, {}},
    {"mark", Kind::Allowed, {}},
    {"abbr", Kind::Allowed, kTitleAttrs},
    {"ruby", Kind::Allowed, {}},
    {"rt", Kind::Allowed, {}},
    {"rp", Kind::Allowed, {}},
    {"wbr", Kind::Void, {}},
    {"address", Kind::Allowed, {}, Closes::Paragraph},
    {"section", Kind::Allowed, {}, Closes::Paragraph},
    {"details", Kind::Allowed, {}, Closes::Paragraph},
    {"summary", Kind::Allowed, {}},
    {"script", Kind::DropRaw, {}},
    {"style", Kind::DropRaw, {}},
    {"iframe", Kind::DropRaw, {}},
    {"noscript", Kind::DropRaw, {}},
    {"noembed", Kind::DropRaw, {}},
    {"noframes", Kind::DropRaw, {}},
    {"xmp", Kind::DropRaw, {}},
    {"object", Kind::DropContent, {}},
    {"applet", Kind::DropContent, {}},
    {"form", Kind::DropContent, {}},
    {"frameset", Kind::DropContent, {}},
    {"svg", Kind::DropContent, {}},
    {"math", Kind::DropContent, {}},
    {"template", Kind::DropContent, {}},
    {"head", Kind::DropContent, {}},
    {"embed", Kind::DropVoid, {}},
    {"frame", Kind::DropVoid, {}},
    {"base", Kind::DropVoid, {}},
    {"link", Kind::DropVoid, {}},
    {"meta", Kind::DropVoid, {}},
};

const ElementRule* FindElement(std::string_view name) {
    constexpr size_t kLongest = 10;  // "blockquote", "figcaption"
    if (name.size() > kLongest) return nullptr;
    std::array<char, kLongest> lower{};
    for (size_t i = 0; i < name.size(); ++i) lower[i] = AsciiLower(name[i]);
    const std::string_view key(lower.data(), name.size());
    for (const ElementRule& rule : kElements)
        if (rule.name == key) return &rule;
    return nullptr;
}

// Elements open deeper than this lose their tags (their text stays): no feed needs more, and the
// browser's own limit is of the same order.
constexpr size_t kMaxDepth = 200;

struct Attribute {
    std::string_view name;
    std::string_view value;
};

// One pass over the input: markup is read as the browser's tokenizer reads it, and only what is
// allowed is written back, rebuilt from scratch (no byte of a tag is ever copied through).
class Sanitizer {
  public:
    Sanitizer(std::string_view in, std::string_view base) : m_in(in), m_base(base) {
        m_out.reserve(in.size() + in.size() / 8);
    }

    std::string Run() {
        while (m_pos < m_in.size()) {
            const size_t lt = m_in.find('<', m_pos);
            const size_t end = lt == std::string_view::npos ? m_in.size() : lt;
            EmitText(m_in.substr(m_pos, end - m_pos));
            m_pos = end;
            if (lt != std::string_view::npos) Markup();
        }
        while (!m_open.empty()) CloseTop();
        return std::move(m_out);
    }

  private:
    bool At(size_t p, std::string_view prefix) const {
        return m_in.substr(p, prefix.size()) == prefix;
    }

    void EmitText(std::string_view text) {
        if (!m_skip) AppendEscaped(m_out, text, true);
    }

    // At a "<": a tag, a comment, a CDATA section, a declaration, or a plain "<" of the text.
    void Markup() {
        const size_t p = m_pos + 1;
        const char c = p < m_in.size() ? m_in[p] : '\0';
        if (IsAsciiAlpha(c)) return Tag(p, false);
        if (c == '/') {
            const char d = p + 1 < m_in.size() ? m_in[p + 1] : '\0';
            if (IsAsciiAlpha(d)) return Tag(p + 1, true);
            if (d == '>') {
                m_pos = p + 2;
                return;
            }
            if (p + 1 >= m_in.size()) {
                EmitText("</");
                m_pos = m_in.size();
                return;
            }
            return SkipPast(">", p + 1);
        }
        if (c == '!') {
            if (At(p, "!--")) return Comment(p + 3);
            if (At(p, "![CDATA[")) return CData(p + 8);
            return SkipPast(">", p + 1);
        }
        if (c == '?') return SkipPast(">", p + 1);
        EmitText("<");
        m_pos = p;
    }

    void SkipPast(std::string_view end, size_t from) {
        const size_t at = m_in.find(end, from);
        m_pos = at == std::string_view::npos ? m_in.size() : at + end.size();
    }

    // A comment ends at "-->" or "--!>"; "<!-->" and "<!--->" are empty comments.
    void Comment(size_t p) {
        if (At(p, ">")) {
            m_pos = p + 1;
            return;
        }
        if (At(p, "->")) {
            m_pos = p + 2;
            return;
        }
        for (size_t at = m_in.find("--", p); at != std::string_view::npos;
             at = m_in.find("--", at + 1)) {
            if (At(at + 2, ">")) {
                m_pos = at + 3;
                return;
            }
            if (At(at + 2, "!>")) {
                m_pos = at + 4;
                return;
            }
        }
        m_pos = m_in.size();
    }

    // A CDATA section's content is text taken literally, "&" included.
    void CData(size_t p) {
        const size_t end = m_in.find("]]>", p);
        const std::string_view content =
            m_in.substr(p, end == std::string_view::npos ? std::string_view::npos : end - p);
        if (!m_skip) AppendEscaped(m_out, content, false);
        m_pos = end == std::string_view::npos ? m_in.size() : end + 3;
    }

    // A start or end tag whose name begins at `p`. A tag cut off by the end of the input is
    // dropped, as the browser drops it.
    void Tag(size_t p, bool end) {
        const size_t nameStart = p;
        while (p < m_in.size() && !IsHtmlSpace(m_in[p]) && m_in[p] != '/' && m_in[p] != '>') ++p;
        const std::string_view name = m_in.substr(nameStart, p - nameStart);
        m_attrs.clear();
        bool selfClosing = false;
        bool closed = false;
        while (p < m_in.size()) {
            const char c = m_in[p];
            if (IsHtmlSpace(c)) {
                ++p;
            } else if (c == '>') {
                closed = true;
                ++p;
                break;
            } else if (c == '/') {
                ++p;
                selfClosing = p < m_in.size() && m_in[p] == '>';
            } else {
                selfClosing = false;
                if (!Attr(p)) break;
            }
        }
        if (!closed) {
            m_pos = m_in.size();
            return;
        }
        m_pos = p;
        const ElementRule* rule = FindElement(name);
        if (end) {
            EndTag(rule);
        } else {
            StartTag(rule, selfClosing);
        }
    }

    // Reads one attribute at `p` (its first character may be "="); false when the input ends
    // inside a quoted value.
    bool Attr(size_t& p) {
        const size_t nameStart = p++;
        while (p < m_in.size() && !IsHtmlSpace(m_in[p]) && m_in[p] != '/' && m_in[p] != '>' &&
               m_in[p] != '=')
            ++p;
        Attribute attr{m_in.substr(nameStart, p - nameStart), {}};
        size_t q = p;
        while (q < m_in.size() && IsHtmlSpace(m_in[q])) ++q;
        if (q < m_in.size() && m_in[q] == '=') {
            ++q;
            while (q < m_in.size() && IsHtmlSpace(m_in[q])) ++q;
            if (q < m_in.size() && (m_in[q] == '"' || m_in[q] == '\'')) {
                const size_t close = m_in.find(m_in[q], q + 1);
                if (close == std::string_view::npos) {
                    p = m_in.size();
                    return false;
                }
                attr.value = m_in.substr(q + 1, close - q - 1);
                q = close + 1;
            } else {
                const size_t valueStart = q;
                while (q < m_in.size() && !IsHtmlSpace(m_in[q]) && m_in[q] != '>') ++q;
                attr.value = m_in.substr(valueStart, q - valueStart);
            }
        }
        p = q;
        m_attrs.push_back(attr);
        return true;
    }

    void StartTag(const ElementRule* rule, bool selfClosing) {
        if (m_skip) {
            if (rule == m_skip && !selfClosing) ++m_skipDepth;
            if (rule && rule->kind == Kind::DropRaw) SkipRawText(rule->name);
            return;
        }
        if (!rule) return;
        switch (rule->kind) {
            case Kind::DropVoid:
                return;
            case Kind::DropRaw:
                SkipRawText(rule->name);
                return;
            case Kind::DropContent:
                if (!selfClosing) {
                    m_skip = rule;
                    m_skipDepth = 1;
                }
                return;
            case Kind::Void:
                CloseImplied(rule->closes);
                WriteStartTag(*rule);
                return;
            case Kind::Allowed:
                break;
        }
        CloseImplied(rule->closes);
        // A link inside a link would be split by the browser; close the outer one first.
        if (rule->name == "a") CloseThrough(rule);
        if (m_open.size() >= kMaxDepth) return;
        if (!WriteStartTag(*rule)) return;
        if (selfClosing) {
            WriteEndTag(*rule);
        } else {
            Push(rule);
        }
    }

    void EndTag(const ElementRule* rule) {
        if (m_skip) {
            if (rule == m_skip && --m_skipDepth == 0) m_skip = nullptr;
            return;
        }
        if (rule && rule->kind == Kind::Allowed) CloseThrough(rule);
    }

    void CloseImplied(Closes closes) {
        using Names = std::initializer_list<std::string_view>;
        const Names paragraph = {"p"};
        const Names buttonScope = {"table", "td", "th", "caption"};
        switch (closes) {
            case Closes::None:
                return;
            case Closes::Paragraph:
                break;
            case Closes::ListItem:
                CloseInScope({"li"}, {"ul", "ol", "table", "td", "th", "caption"});
                break;
            case Closes::DefinitionItem:
                CloseInScope({"dt", "dd"}, {"dl", "table", "td", "th", "caption"});
                break;
            case Closes::Row:
                return CloseInScope({"tr", "td", "th"}, {"table", "thead", "tbody", "tfoot"});
            case Closes::Cell:
                return CloseInScope({"td", "th"}, {"tr", "table"});
            case Closes::TableSection:
                return CloseInScope({"caption", "thead", "tbody", "tfoot", "tr", "td", "th"},
                                    {"table"});
        }
        CloseInScope(paragraph, buttonScope);
    }

    // Closes the outermost open element named in `targets` that lies inside the innermost
    // `boundaries` element (or anywhere when none is open), with everything opened inside it.
    void CloseInScope(std::initializer_list<std::string_view> targets,
                      std::initializer_list<std::string_view> boundaries) {
        auto in = [](std::initializer_list<std::string_view> names, std::string_view name) {
            for (const std::string_view n : names)
                if (n == name) return true;
            return false;
        };
        bool anyOpen = false;
        for (const std::string_view target : targets) anyOpen |= m_openCount[Index(target)] > 0;
        if (!anyOpen) return;
        size_t found = m_open.size();
        for (size_t i = m_open.size(); i-- > 0;) {
            if (in(boundaries, m_open[i]->name)) break;
            if (in(targets, m_open[i]->name)) found = i;
        }
        while (m_open.size() > found) CloseTop();
    }

    // Closes the innermost open `rule` and everything opened inside it; nothing when it is not
    // open (a stray end tag is dropped).
    void CloseThrough(const ElementRule* rule) {
        if (m_openCount[static_cast<size_t>(rule - kElements)] == 0) return;
        for (size_t i = m_open.size(); i-- > 0;) {
            if (m_open[i] == rule) {
                while (m_open.size() > i) CloseTop();
                return;
            }
        }
    }

    void Push(const ElementRule* rule) {
        m_open.push_back(rule);
        ++m_openCount[static_cast<size_t>(rule - kElements)];
    }

    void CloseTop() {
        WriteEndTag(*m_open.back());
        --m_openCount[static_cast<size_t>(m_open.back() - kElements)];
        m_open.pop_back();
    }

    static size_t Index(std::string_view name) {
        return static_cast<size_t>(FindElement(name) - kElements);
    }

    // Content of a raw-text element runs to the first end tag of the same name.
    void SkipRawText(std::string_view name) {
        for (size_t at = m_in.find("</", m_pos); at != std::string_view::npos;
             at = m_in.find("</", at + 2)) {
            const size_t after = at + 2 + name.size();
            if (EqualsNoCase(m_in.substr(at + 2, name.size()), name) &&
                (after >= m_in.size() || IsHtmlSpace(m_in[after]) || m_in[after] == '/' ||
                 m_in[after] == '>')) {
                SkipPast(">", after);
                return;
            }
        }
        m_pos = m_in.size();
    }

    // Writes the tag with its allowed attributes (the first of each name); false, writing
    // nothing, for an image without a usable address.
    bool WriteStartTag(const ElementRule& rule) {
        const size_t mark = m_out.size();
        m_out += '<';
        m_out += rule.name;
        uint32_t written = 0;
        bool hasSource = false;
        for (const Attribute& attr : m_attrs) {
            for (size_t k = 0; k < rule.attrs.size(); ++k) {
                const AttrSpec& allowed = rule.attrs[k];
                if ((written & (1u << k)) || !EqualsNoCase(attr.name, allowed.name)) continue;
                written |= 1u << k;
                if (WriteAttr(allowed, attr.value) && allowed.rule == AttrRule::ImageUrl)
                    hasSource = true;
                break;
            }
        }
        if (rule.name == "img" && !hasSource) {
            m_out.resize(mark);
            return false;
        }
        m_out += '>';
        return true;
    }

    bool WriteAttr(const AttrSpec& allowed, std::string_view value) {
        switch (allowed.rule) {
            case AttrRule::Text:
                AppendAttr(allowed.name, value, true);
                return true;
            case AttrRule::Number: {
                const std::string trimmed = CleanAddress(value);
                if (trimmed.empty() || trimmed.size() > 4) return false;
                for (const char c : trimmed)
                    if (!IsAsciiDigit(c)) return false;
                AppendAttr(allowed.name, trimmed, false);
                return true;
            }
            case AttrRule::LinkUrl:
            case AttrRule::ImageUrl: {
                const UrlUse use = allowed.rule == AttrRule::LinkUrl ? UrlUse::Link : UrlUse::Image;
                const std::string url = CheckedUrl(value, use, m_base);
                if (url.empty()) return false;
                AppendAttr(allowed.name, url, false);
                return true;
            }
        }
        return false;
    }

    void AppendAttr(std::string_view name, std::string_view value, bool keepReferences) {
        m_out += ' ';
        m_out += name;
        m_out += "=\"";
        AppendEscaped(m_out, value, keepReferences);
        m_out += '"';
    }

    void WriteEndTag(const ElementRule& rule) {
        m_out += "</";
        m_out += rule.name;
        m_out += '>';
    }

    std::string_view m_in;
    std::string_view m_base;
    size_t m_pos = 0;
    std::string m_out;
    std::vector<Attribute> m_attrs;          // attributes of the tag being read (slices of m_in)
    std::vector<const ElementRule*> m_open;  // allowed elements written and not yet closed
    std::array<uint32_t, std::size(kElements)> m_openCount{};  // m_open's entries per element
    const ElementRule* m_skip = nullptr;  // dropped element whose content is being skipped
    int m_skipDepth = 0;                  // nesting of m_skip inside itself
};

}  // namespace

std::string SanitizeHtml(std::string_view utf8Html, std::string_view baseUrl) {
    return Sanitizer(utf8Html, baseUrl).Run();
}

std::string CheckedUrl(std::string_view value, UrlUse use, std::string_view baseUrl) {
    const std::string address = CleanAddress(DecodeReferences(value));
    if (address.empty()) return {};
    const std::string scheme = SchemeOf(address);
    if (!scheme.empty()) {
        const bool allowed = IsWebScheme(scheme) || (use == UrlUse::Link && scheme == "mailto");
        return allowed ? scheme + address.substr(scheme.size()) : std::string();
    }
    // A relative address would otherwise resolve against the page's own file address and could
    // reach local files: it is only taken when the article gives a web address to resolve it by.
    if (!IsWebScheme(SchemeOf(baseUrl))) return {};
    std::string resolved = ResolveUrl(address, std::string(baseUrl));
    return IsWebScheme(SchemeOf(resolved)) ? resolved : std::string();
}

std::string EscapeHtmlText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendEscaped(out, utf8, true);
    return out;
}

std::string EscapeHtml(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendEscaped(out, utf8, false);
    return out;
}

bool LooksLikeHtml(std::string_view utf8) {
    for (size_t at = utf8.find('<'); at != std::string_view::npos; at = utf8.find('<', at + 1)) {
        const char next = at + 1 < utf8.size() ? utf8[at + 1] : '\0';
        if (IsAsciiAlpha(next) || next == '/' || next == '!') return true;
    }
    return false;
}

}  // namespace varlo
