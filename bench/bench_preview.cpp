// The preview page for a feed of 10,000 articles: building it and writing it, then the HTML
// sanitizer alone on the articles' markup and on richer markup, side by side with libxml2's HTML
// parser reading the same markup (which checks nothing) and with plain escaping; last, the peak
// memory of reading a feed and writing its page, against the size of the file, for ordinary and
// hostile feeds (the target: within 16 times the file). Usage:
// bench_preview [folder for the generated files]

#include <libxml/HTMLparser.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "encoding/codepage.h"
#include "feeds/rss_file.h"
#include "preview/html_sanitizer.h"
#include "preview/preview_page.h"
#include "support/bench_util.h"
#include "support/feed_generator.h"

using namespace varlo;
using namespace varlo::bench;

namespace {

constexpr int kRuns = 5;

// Markup of the kind blogs put in full contents: paragraphs, links, images, lists, a table,
// attributes to drop, and the odd script and iframe.
std::string RichArticle(int n) {
    const std::string id = std::to_string(n);
    return "<div class=\"entry-content\"><p style=\"margin:0\">今日は<a href=\"https://example.jp/"
           "tags/" +
           id +
           "\" class=\"tag\" onclick=\"track()\">タグ</a>について書きます。&nbsp;詳しくは"
           "<a href='/articles/" +
           id + ".html' target=_blank>こちら</a>。</p>\n<p><img src=\"https://img.example.jp/" +
           id +
           ".jpg\" alt=\"写真\" width=\"640\" height=\"480\" loading=\"lazy\" "
           "srcset=\"https://img.example.jp/" +
           id +
           "@2x.jpg 2x\"></p>\n<ul><li>一つ目の項目<li>二つ目の<b>項目</b></ul>\n<table><tr><th>"
           "価格</th><td>1,980円</td></tr></table>\n<script>ga('send','pageview')</script>"
           "<iframe src=\"https://www.example.com/embed/" +
           id + "\"></iframe><!-- more --><p>続きは<em>明日</em>。</p></div>\n";
}

// libxml2's HTML parser building its tree of a fragment (writing it back is left out: its writer
// turns every Japanese character into a reference, which would only slow the baseline down).
size_t LibxmlParse(const std::string& html) {
    htmlDocPtr doc = htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc) return 0;
    xmlFreeDoc(doc);
    return 1;
}

void CompareSanitizers(const std::string& what, const std::vector<std::string>& articles) {
    double megabytes = 0;
    for (const std::string& a : articles) megabytes += static_cast<double>(a.size()) / 1e6;
    std::printf("%s: %zu articles, %.1f MB of markup\n", what.c_str(), articles.size(), megabytes);
    size_t sink = 0;
    const double ours = BestSeconds(kRuns, [&] {
        for (const std::string& a : articles) sink += SanitizeHtml(a, "https://example.jp/").size();
    });
    PrintRow("SanitizeHtml", megabytes, ours, PeakRssBytes());
    const double escape = BestSeconds(kRuns, [&] {
        for (const std::string& a : articles) sink += EscapeHtmlText(a).size();
    });
    PrintRow("EscapeHtmlText (lower bound)", megabytes, escape, PeakRssBytes());
    const double libxml = BestSeconds(kRuns, [&] {
        for (const std::string& a : articles) sink += LibxmlParse(a);
    });
    PrintRow("libxml2 htmlReadMemory (parse only)", megabytes, libxml, PeakRssBytes());
    if (sink == 0) std::printf("(nothing produced)\n");
}

// Peak memory of what the window does with a downloaded feed: read it, write its preview page.
void PeakOfPreview(const std::string& what, const std::string& folder, const std::string& xml) {
    const std::string path = folder + "/peak.xml";
    if (!WriteBenchFile(path, xml)) return;
    const size_t read = PeakGrowthInChild([&] {
        CRssFile feed;
        feed.ReadRss(path);
    });
    const size_t peak = PeakGrowthInChild([&] {
        CRssFile feed;
        feed.ReadRss(path);
        WritePreviewPage(folder + "/peak.html", feed, {false, false, true, true});
    });
    const auto megabytes = [](size_t bytes) { return static_cast<double>(bytes) / 1e6; };
    std::printf("  %-40s %5.1f MB file, read %6.1f MB, with the page %6.1f MB = %4.1f x\n",
                what.c_str(), megabytes(xml.size()), megabytes(read), megabytes(peak),
                static_cast<double>(peak) / static_cast<double>(xml.size()));
}

void PeakMemory(const std::string& folder) {
    std::printf("\nPeak memory of reading a feed and writing its preview page\n");
    PeakOfPreview("RSS 2.0, 10,000 articles", folder, GenerateFeed(FeedKind::Rss20, 0, 10000));
    PeakOfPreview("Atom 1.0, 20 MB", folder, GenerateFeed(FeedKind::Atom10, 20000000));
    std::string empty = "<rss><channel>";
    while (empty.size() < 20000000) empty += "<item/>";
    PeakOfPreview("20 MB of <item/> (100,000 read)", folder, empty + "</channel></rss>");
    // Escaped markup that unescapes into many small elements, each one a line of the page.
    std::string escaped = "<rss><channel><item><description>";
    while (escaped.size() < 20000000) escaped += "&lt;p&gt;&lt;a href=x&gt;a&lt;/a&gt;&lt;/p&gt;";
    PeakOfPreview("20 MB escaped description of tiny links", folder,
                  escaped + "</description></item></channel></rss>");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder =
        argc > 1 ? argv[1]
                 : (std::filesystem::temp_directory_path() / "varlo-bench-preview").string();
    std::filesystem::create_directories(folder);
    xmlInitParser();

    const std::string feedPath = folder + "/down.xml";
    if (!WriteBenchFile(feedPath, GenerateFeed(FeedKind::Rss20, 0, 10000))) {
        std::fprintf(stderr, "cannot write %s\n", feedPath.c_str());
        return 1;
    }
    CRssFile feed;
    feed.ReadRss(feedPath);
    const double feedMegabytes = static_cast<double>(std::filesystem::file_size(feedPath)) / 1e6;
    std::printf("Preview page for an RSS 2.0 feed of %d articles (%.1f MB)\n", feed.GetSize(),
                feedMegabytes);
    const PreviewOptions summaries{true, true, true, true};
    size_t pageBytes = 0;
    const double build =
        BestSeconds(kRuns, [&] { pageBytes = BuildPreviewPage(feed, summaries).size(); });
    PrintRow("BuildPreviewPage", feedMegabytes, build, PeakRssBytes());
    const std::string pagePath = folder + "/MorvaPreview.html";
    const double write = BestSeconds(kRuns, [&] { WritePreviewPage(pagePath, feed, summaries); });
    PrintRow("WritePreviewPage", feedMegabytes, write, PeakRssBytes());
    const double read = BestSeconds(kRuns, [&] {
        CRssFile again;
        again.ReadRss(feedPath);
    });
    PrintRow("ReadRss of the same feed (for scale)", feedMegabytes, read, PeakRssBytes());
    std::printf("  page: %.1f MB, %.2f ms per 1,000 articles\n\n",
                static_cast<double>(pageBytes) / 1e6, build * 1000 / feed.GetSize() * 1000);

    std::vector<std::string> descriptions;
    for (int i = 0; i < feed.GetSize(); ++i)
        descriptions.push_back(Cp932ToUtf8(feed.GetAt(i)->DescriptionHtml()));
    CompareSanitizers("Descriptions of the feed", descriptions);
    std::vector<std::string> rich;
    for (int i = 0; i < 10000; ++i) rich.push_back(RichArticle(i));
    CompareSanitizers("\nRich article markup", rich);
    PeakMemory(folder);

    xmlCleanupParser();
    return 0;
}
