// Scans arbitrary bytes as a web page for LINK and TITLE tags and parses every tag found, the way
// feed discovery does.

#include <cstdint>
#include <string_view>
#include <vector>

#include "fetch/find_tags.h"
#include "fetch/html_tag.h"
#include "xml/element.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace varlo;
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    std::vector<Text> tags;
    FindTags(page, tags, "LINK");
    for (const Text& text : tags) {
        if (text.size() > size) __builtin_trap();
        const CHtmlTag tag(text);
        tag.GetAttribute("rel");
        tag.GetAttribute("TYPE");
        tag.GetAttribute("HREF");
    }
    tags.clear();
    FindTags(page, tags, "TITLE");
    if (!tags.empty()) CMXMLElement(tags.front()).GetText();
    const CHtmlTag whole(page);
    if (whole.m_attributes.size() > size) __builtin_trap();
    return 0;
}
