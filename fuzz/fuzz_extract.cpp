// Extracts the article of arbitrary bytes taken as a page: it must end, with an article or a
// reason, and its markup must be what the sanitizer leaves unchanged.

#include <cstdint>
#include <string_view>

#include "fulltext/article_extractor.h"
#include "preview/html_sanitizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    const std::string_view base = "https://example.jp/a/b.html";
    const varlo::ExtractedArticle article = varlo::ExtractArticle(page, base);
    if (article.Found() == !article.failure.empty()) __builtin_trap();
    if (varlo::SanitizeHtml(article.html, base) != article.html) __builtin_trap();
    return 0;
}
