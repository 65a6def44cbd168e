#include "fulltext/lazy_images.h"

#include <cstdlib>

#include "fulltext/page_tree.h"
#include "platform/text.h"

namespace varlo {
namespace {

bool ContainsNoCase(std::string_view text, std::string_view lower) {
    if (lower.size() > text.size()) return false;
    for (size_t at = 0; at + lower.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < lower.size() && AsciiLower(text[at + i]) == lower[i]) ++i;
        if (i == lower.size()) return true;
    }
    return false;
}

// The value of attribute `name` in the tag text `tag` ("<img src=a alt='b'>"); empty if absent.
std::string AttributeInTag(std::string_view tag, std::string_view name) {
    size_t at = 0;
    while ((at = tag.find(name, at)) != std::string_view::npos) {
        const bool boundary = at > 0 && (IsHtmlSpace(tag[at - 1]) || tag[at - 1] == '"' ||
                                         tag[at - 1] == '\'' || tag[at - 1] == '/');
        size_t eq = at + name.size();
        while (eq < tag.size() && IsHtmlSpace(tag[eq])) ++eq;
        if (!boundary || eq >= tag.size() || tag[eq] != '=') {
            at += name.size();
            continue;
        }
        size_t start = eq + 1;
        while (start < tag.size() && IsHtmlSpace(tag[start])) ++start;
        if (start >= tag.size()) return {};
        if (tag[start] == '"' || tag[start] == '\'') {
            const size_t end = tag.find(tag[start], start + 1);
            return std::string(tag.substr(start + 1, end == std::string_view::npos
                                                         ? std::string_view::npos
                                                         : end - start - 1));
        }
        size_t end = start;
        while (end < tag.size() && !IsHtmlSpace(tag[end]) && tag[end] != '>') ++end;
        return std::string(tag.substr(start, end - start));
    }
    return {};
}

}  // namespace

bool IsPlaceholderImage(std::string_view src) {
    src = Trim(src, kHtmlSpaces);
    if (src.empty()) return true;
    if (src.size() >= 5 && ContainsNoCase(src.substr(0, 5), "data:")) return true;
    for (std::string_view word : {"placeholder", "blank.gif", "spacer.gif", "pixel.gif",
                                  "transparent.gif", "lazy-load", "lazyload", "loading.gif"})
        if (ContainsNoCase(src, word)) return true;
    return false;
}

std::string LargestSrcsetCandidate(std::string_view srcset) {
    std::string best;
    double bestSize = -1;
    size_t at = 0;
    while (at < srcset.size()) {
        while (at < srcset.size() && (IsHtmlSpace(srcset[at]) || srcset[at] == ',')) ++at;
        size_t end = at;
        while (end < srcset.size() && !IsHtmlSpace(srcset[end])) ++end;
        std::string_view url = srcset.substr(at, end - at);
        // A comma right after the address ends the candidate ("a.jpg, b.jpg 2x").
        bool ended = false;
        if (url.ends_with(',')) {
            url.remove_suffix(1);
            ended = true;
        }
        size_t next = end;
        double size = 0;
        if (!ended) {
            next = srcset.find(',', end);
            if (next == std::string_view::npos) next = srcset.size();
            const std::string descriptor(Trim(srcset.substr(end, next - end), kHtmlSpaces));
            if (!descriptor.empty() && (descriptor.back() == 'w' || descriptor.back() == 'x')) {
                size = std::atof(descriptor.c_str());
                // Widths beat densities: a density stands for a width far below any real one.
                if (descriptor.back() == 'x') size /= 1000.0;
            }
        }
        if (!url.empty() && !url.starts_with("data:") && size > bestSize) {
            best = std::string(url);
            bestSize = size;
        }
        at = next + 1;
    }
    return best;
}

void MakeImageReal(PageTree& tree, int index) {
    PageNode& image = tree.nodes[index];
    std::string real;
    for (std::string_view key : {"data-src", "data-original", "data-lazy-src", "data-lazy",
                                 "data-actualsrc", "data-hi-res-src", "data-url"}) {
        const std::string_view value = Trim(image.Attribute(key), kHtmlSpaces);
        if (!value.empty() && !IsPlaceholderImage(value)) {
            real = value;
            break;
        }
    }
    if (real.empty()) {
        for (std::string_view key : {"data-srcset", "data-lazy-srcset", "srcset"}) {
            real = LargestSrcsetCandidate(image.Attribute(key));
            if (!real.empty()) break;
        }
    }
    // In a <picture>, the sources before the image carry the addresses.
    if (real.empty() && image.parent >= 0 && tree.nodes[image.parent].name == "picture") {
        for (int sibling : tree.nodes[image.parent].children) {
            const PageNode& source = tree.nodes[sibling];
            if (source.name != "source") continue;
            real = LargestSrcsetCandidate(source.Attribute("data-srcset"));
            if (real.empty()) real = LargestSrcsetCandidate(source.Attribute("srcset"));
            if (!real.empty()) break;
        }
    }
    PageNode& img = tree.nodes[index];
    if (!real.empty() &&
        (IsPlaceholderImage(img.Attribute("src")) || !img.Attribute("data-src").empty() ||
         !img.Attribute("data-original").empty() || !img.Attribute("data-lazy-src").empty()))
        img.SetAttribute("src", std::move(real));
}

std::vector<std::pair<std::string, std::string>> ImagesInMarkup(std::string_view markup) {
    std::vector<std::pair<std::string, std::string>> images;
    size_t at = 0;
    while (at < markup.size()) {
        const size_t open = markup.find('<', at);
        if (open == std::string_view::npos) break;
        const size_t close = markup.find('>', open);
        const std::string_view tag = markup.substr(
            open, close == std::string_view::npos ? std::string_view::npos : close - open + 1);
        at = open + 1;
        if (tag.size() < 5 || !ContainsNoCase(tag.substr(0, 5), "<img")) continue;
        std::string src = AttributeInTag(tag, "src");
        if (src.empty()) src = LargestSrcsetCandidate(AttributeInTag(tag, "srcset"));
        if (!src.empty()) images.emplace_back(std::move(src), AttributeInTag(tag, "alt"));
    }
    return images;
}

}  // namespace varlo
