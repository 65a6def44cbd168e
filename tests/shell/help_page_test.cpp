// Where the user guide is found, and the guide built from its Markdown source.

#include "shell/help_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(HelpPage, TheInstalledGuideComesBeforeOneOfABuildFolderAndNoneIsEmpty) {
    TempDir dir;
    const std::filesystem::path root = dir.Path();
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "help");
    EXPECT_EQ(HelpPagePathFor((root / "bin").string()), "") << "nothing there yet";
    EXPECT_EQ(HelpPagePathFor(""), "");

    // A build folder: the program in a folder of its own, the guide in "help" beside it.
    WriteFile((root / "help/user-guide.html").string(), "<html></html>");
    EXPECT_EQ(HelpPagePathFor((root / "bin").string()), (root / "help/user-guide.html").string());

    // An installed program finds the copy of its package.
    std::filesystem::create_directories(root / "share/doc/varlo");
    WriteFile((root / "share/doc/varlo/user-guide.html").string(), "<html></html>");
    EXPECT_EQ(HelpPagePathFor((root / "bin").string()),
              (root / "share/doc/varlo/user-guide.html").string());
    EXPECT_EQ(HelpPagePathFor((root / "bin/").string()),
              (root / "share/doc/varlo/user-guide.html").string());

    // A folder of that name is no page.
    std::filesystem::remove(root / "share/doc/varlo/user-guide.html");
    std::filesystem::remove(root / "help/user-guide.html");
    std::filesystem::create_directories(root / "help/user-guide.html");
    EXPECT_EQ(HelpPagePathFor((root / "bin").string()), "");
}

TEST(HelpPage, AChosenSchemeShowsItsOwnPageOfTheGuideWhenItIsThere) {
    TempDir dir;
    const std::string guide = dir.File("user-guide.html");
    WriteFile(guide, "<html></html>");
    EXPECT_EQ(HelpPageIn(guide, PageScheme::Dark), guide) << "no dark page: the guide itself";
    WriteFile(dir.File("user-guide-dark.html"), "<html data-scheme=\"dark\"></html>");
    WriteFile(dir.File("user-guide-light.html"), "<html data-scheme=\"light\"></html>");
    EXPECT_EQ(HelpPageIn(guide, PageScheme::Dark), dir.File("user-guide-dark.html"));
    EXPECT_EQ(HelpPageIn(guide, PageScheme::Light), dir.File("user-guide-light.html"));
    EXPECT_EQ(HelpPageIn(guide, PageScheme::Auto), guide);
    EXPECT_EQ(HelpPageIn("", PageScheme::Dark), "");
}

// "%E6%97%A5" as the three bytes it stands for.
std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

TEST(HelpPage, TheBuiltGuideIsAPageWhoseKeywordsLeadToItsSections) {
    const std::string page = ReadFile(VARLO_HELP_PAGE);
    ASSERT_FALSE(page.empty()) << VARLO_HELP_PAGE;
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.find("<html lang=\"ja\">"), std::string::npos);
    EXPECT_NE(page.find("<title>Varlo ユーザーガイド</title>"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    // Its light and dark pages are the same page held in one scheme.
    for (const char* scheme : {"light", "dark"}) {
        std::string variant = ReadFile(std::regex_replace(VARLO_HELP_PAGE, std::regex("\\.html$"),
                                                          std::string("-") + scheme + ".html"));
        const std::string attribute = std::string(" data-scheme=\"") + scheme + "\"";
        ASSERT_NE(variant.find("<html lang=\"ja\"" + attribute + ">"), std::string::npos) << scheme;
        variant.erase(variant.find(attribute), attribute.size());
        EXPECT_EQ(variant, page) << scheme;
    }
    // The pictures are the ones copied beside the page.
    const std::filesystem::path folder = std::filesystem::path(VARLO_HELP_PAGE).parent_path();
    const std::regex image("<img src=\"([^\"]+)\"");
    int images = 0;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), image);
         it != std::sregex_iterator(); ++it, ++images) {
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / (*it)[1].str())) << (*it)[1];
    }
    EXPECT_GE(images, 3);

    std::set<std::string> ids;
    const std::regex id(" id=\"([^\"]+)\"");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), id); it != std::sregex_iterator();
         ++it) {
        ids.insert((*it)[1].str());
    }
    ASSERT_TRUE(ids.count(kHelpKeywordsSection)) << "キーワードで検索 opens the guide there";
    const size_t keywords = page.find(std::string("id=\"") + kHelpKeywordsSection + "\"");
    const std::string section = page.substr(keywords);
    const std::regex link("href=\"#([^\"]+)\"");
    int links = 0;
    for (auto it = std::sregex_iterator(section.begin(), section.end(), link);
         it != std::sregex_iterator(); ++it, ++links) {
        EXPECT_TRUE(ids.count(PercentDecoded((*it)[1].str()))) << "no section " << (*it)[1];
    }
    EXPECT_GE(links, 8);
}

}  // namespace
}  // namespace varlo
