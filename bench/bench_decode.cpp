// Decoding of fetched pages: 10 MB Japanese pages in EUC-JP, ISO-2022-JP and UTF-8 read through
// CTextFile::Load (detection, line breaks, conversion to code page 932), side by side with the
// iconv program converting the same bytes to CP932.

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fetch/text_file.h"
#include "platform/message_box.h"
#include "support/bench_util.h"

namespace {

constexpr size_t kPageBytes = 10u << 20;

// A page of markup and Japanese sentences in UTF-8, LF line breaks, about kPageBytes long.
std::string MakePage() {
    const char* sentences[] = {
        "本日は晴天なり、東京の天気は快晴です。",
        "新しい記事を公開しました：ニュースの要約とカタカナの見出し。",
        "日本語のページには漢字・ひらがな・カタカナが混ざります。",
        "第１２３回　会議の議事録（抜粋）を掲載します。",
        "お問い合わせは下記のフォームからどうぞ。",
    };
    std::string page = "<html><head><title>日本語のブログ</title></head><body>\n";
    for (size_t i = 0; page.size() < kPageBytes; ++i) {
        page += "<p class=\"entry\" id=\"e" + std::to_string(i) + "\">";
        page += sentences[i % 5];
        page += sentences[(i * 7 + 3) % 5];
        page += "</p>\n";
    }
    return page + "</body></html>\n";
}

std::string Transcode(const std::string& text, const char* to) {
    iconv_t cd = iconv_open(to, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(text.size() * 2, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* o = out.data();
    size_t outLeft = out.size();
    const bool ok = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &o, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!ok) return {};
    out.resize(out.size() - outLeft);
    return out;
}

// Runs `iconv -f FROM -t CP932 FILE` with its output thrown away; true when it exited with 0.
bool RunIconv(const char* from, const std::string& file) {
    return varlo::bench::RunProgram({"iconv", "-f", from, "-t", "CP932", file});
}

}  // namespace

int main() {
    using namespace varlo;
    SetMessageBoxHandler([](const Text&, unsigned) { return 1; });
    char pattern[] = "/tmp/varlo-bench-decode-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string folder = pattern;
    const std::string page = MakePage();

    struct Case {
        const char* encoding;
        int expectedCode;
    };
    bool ok = true;
    std::printf("decoding of %.1f MB Japanese pages to code page 932 (best of 5)\n",
                static_cast<double>(kPageBytes) / (1 << 20));
    for (const Case& c :
         {Case{"EUC-JP", kCodeEucJp}, Case{"ISO-2022-JP", kCodeJis}, Case{"UTF-8", kCodeUtf8}}) {
        const std::string bytes = Transcode(page, c.encoding);
        if (bytes.empty()) {
            std::printf("  %s: the page could not be made\n", c.encoding);
            ok = false;
            continue;
        }
        const std::string path = folder + "/page-" + c.encoding + ".html";
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const double megabytes = static_cast<double>(bytes.size()) / (1 << 20);

        CTextFile file;
        bench::ResetPeakRss();
        const size_t before = bench::CurrentRssBytes();
        const double ours = bench::BestSeconds(5, [&] {
            CTextFile fresh;
            if (!fresh.Load(path) || fresh.m_nCode != c.expectedCode) ok = false;
        });
        const size_t peak = bench::PeakRssBytes() - std::min(before, bench::PeakRssBytes());
        bench::PrintRow(std::string("CTextFile::Load ") + c.encoding, megabytes, ours, peak);

        bool iconvOk = true;
        const double theirs = bench::BestSeconds(5, [&] { iconvOk &= RunIconv(c.encoding, path); });
        if (iconvOk) {
            bench::PrintRow(std::string("iconv program ") + c.encoding + " -> CP932", megabytes,
                            theirs, 0);
            std::printf("  %-44s %9.2fx\n", "ratio (iconv time / ours)", theirs / ours);
        } else {
            std::printf("  iconv program %s: failed or not installed\n", c.encoding);
        }
    }
    std::filesystem::remove_all(folder);
    return ok ? 0 : 1;
}
