// varlo-cli extract: the article of a web page, read out of what surrounds it.

#include <stdlib.h>

#include <filesystem>
#include <iostream>

#include "cli/command.h"
#include "encoding/codepage.h"
#include "fetch/http_download.h"
#include "fetch/text_file.h"
#include "fulltext/article_extractor.h"
#include "fulltext/page_tree.h"

namespace varlo::cli {
namespace {

// A folder of its own for one download, removed with everything in it when done.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "varlo-extract-XXXXXX");
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TemporaryFolder() {
        std::error_code error;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, error);
    }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

bool IsWebAddress(std::string_view text) {
    return text.starts_with("http://") || text.starts_with("https://");
}

int RunExtract(const std::vector<std::string>& args) {
    bool textOnly = false;
    std::vector<std::string> operands;
    for (const std::string& arg : args) {
        if (arg == "--text")
            textOnly = true;
        else if (arg.starts_with("-") && arg != "-")
            return UsageError("extract");
        else
            operands.push_back(arg);
    }
    if (operands.empty() || operands.size() > 2) return UsageError("extract");
    std::string page = operands[0];
    std::string address = operands.size() > 1 ? operands[1] : std::string();

    TemporaryFolder folder;
    if (IsWebAddress(page)) {
        if (folder.Path().empty()) {
            std::cerr << "varlo-cli: no temporary folder for the page\n";
            return kExitUnreadable;
        }
        // The command line is UTF-8; addresses are system text inside the program.
        CHttpDownload download(Utf8ToCp932(page));
        download.KeepFailureUnshown();
        download.SetSizeCap(kMaxPageBytes, Jp("ページが大きすぎます"));
        const std::string path = download.Download(folder.Path(), false, "page.html");
        if (path.empty()) {
            std::cerr << Cp932ToUtf8(download.Failure()) << "\n";
            return kExitUnreadable;
        }
        if (address.empty()) address = page;
        page = path;
    }
    // The page is decoded as every fetched page is (its encoding guessed, declared or not),
    // then handed over as UTF-8.
    CTextFile file;
    if (!file.Load(page)) return kExitUnreadable;
    std::string utf8 = Cp932ToUtf8(file.m_strText);
    file.m_strText = Text();  // the page is held once, not twice, while it is read
    const ExtractedArticle article =
        ExtractArticleTakingPage(std::move(utf8), address, {.html = !textOnly});
    if (!article.failure.empty()) std::cerr << article.failure << "\n";
    if (textOnly) {
        if (!article.text.empty()) std::cout << article.text << "\n";
        std::cout.flush();
        return kExitOk;
    }
    nlohmann::ordered_json json;
    json["title"] = article.title;
    json["author"] = article.author;
    json["date"] = article.date;
    json["html"] = article.html;
    json["text"] = article.text;
    PrintJson(json);
    return kExitOk;
}

}  // namespace

VARLO_CLI_COMMAND_OF_ONE_PAGE(
    "extract",
    "  varlo-cli extract [--text] FILE|URL [ADDRESS]      the article of the page FILE (that came\n"
    "                                                     from ADDRESS) or URL as JSON: title,\n"
    "                                                     author, date, html, text; --text: the\n"
    "                                                     text alone\n",
    RunExtract);

}  // namespace varlo::cli
