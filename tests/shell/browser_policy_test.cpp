// What the browser pane may load, whoever asks for it.

#include "shell/browser_policy.h"

#include <gtest/gtest.h>

namespace varlo {
namespace {

constexpr const char* kPreview = "/home/u/.local/share/Varlo/MorvaPreview.html";

BrowserNavigation Classify(std::string_view address) {
    return ClassifyNavigation(address, kPreview);
}

TEST(BrowserPolicy, WebAddressesAndTheEmptyPageLoadAndMailGoesToTheMailProgram) {
    for (const char* address : {"http://example.com/", "HTTPS://example.com/a?b#c",
                                "  http://example.com/\r\n", "about:blank", "about:blank#top"}) {
        EXPECT_EQ(Classify(address), BrowserNavigation::kLoad) << address;
    }
    EXPECT_EQ(Classify("mailto:someone@example.com"), BrowserNavigation::kMail);
    EXPECT_EQ(Classify(" MailTo:someone@example.com"), BrowserNavigation::kMail);
}

TEST(BrowserPolicy, TheMailProgramGetsOnlyTheRecipientsSubjectAndBody) {
    EXPECT_EQ(MailAddressToHandOn("mailto:someone@example.com"), "mailto:someone@example.com");
    EXPECT_EQ(MailAddressToHandOn("mailto:a@example.com?attach=/etc/passwd"),
              "mailto:a@example.com");
    EXPECT_EQ(MailAddressToHandOn("mailto:a@example.com,b@example.com?cc=c@x&bcc=d@x&to=e@x"
                                  "&Subject=Hi%20there&attachment=%2Fetc%2Fshadow&body=Text&"
                                  "subject=second&BODY=second&in-reply-to=x#fragment"),
              "mailto:a@example.com,b@example.com?Subject=Hi%20there&body=Text");
    // The field's name must be the whole name: "subjects" or "bodyx" are other fields.
    EXPECT_EQ(MailAddressToHandOn("mailto:a@example.com?bodyx=1&subjects=2&=3&&body"),
              "mailto:a@example.com?body");
    EXPECT_EQ(MailAddressToHandOn("  MAILTO:a@example.com?body=b\r\n"),
              "mailto:a@example.com?body=b");
    EXPECT_EQ(MailAddressToHandOn("http://example.com/?subject=x"), "");
}

TEST(BrowserPolicy, AddressesThatCouldRunScriptOrReadLocalFilesAreRefused) {
    for (const char* address : {"data:text/html,<script>alert(1)</script>",
                                "javascript:alert(1)",
                                "  JavaScript:alert(1)",
                                "java\tscript:alert(1)",
                                "jav\na\rscript:alert(1)",
                                "\x01javascript:alert(1)",
                                "vbscript:x",
                                "blob:http://example.com/1234",
                                "view-source:http://example.com/",
                                "ftp://example.com/",
                                "about:srcdoc",
                                "about:config",
                                "file:///etc/passwd",
                                "/etc/passwd",
                                "//example.com/",
                                "example.com/feed",
                                "",
                                "C:\\pages\\a.html",
                                "file://data:text/html,<script>alert(1)</script>",
                                "file://javascript:alert(1)",
                                "httpx://example.com/",
                                "http-x:y"}) {
        EXPECT_EQ(Classify(address), BrowserNavigation::kRefuse) << address;
    }
}

TEST(BrowserPolicy, ThePreviewPageIsTheOneLocalFileThatLoads) {
    for (const char* address : {"file:///home/u/.local/share/Varlo/MorvaPreview.html",
                                "FILE://localhost/home/u/.local/share/Varlo/MorvaPreview.html",
                                "file:///home/u/.local/share/Varlo/MorvaPreview.html#article-3",
                                "file:///home/u/.local/share/Varlo/./MorvaPreview.html",
                                "file:///home/u/.local/share/Varlo/Morva%50review.html"}) {
        EXPECT_EQ(Classify(address), BrowserNavigation::kLoad) << address;
    }
    for (const char* address :
         {"file:///home/u/.local/share/Varlo/down.xml", "file:///home/u/.local/share/Varlo/",
          "file://evil.example/home/u/.local/share/Varlo/MorvaPreview.html",
          "file:///home/u/.local/share/Varlo/MorvaPreview.html%00.txt",
          "file:///home/u/.local/share/x%2F..%2FVarlo/MorvaPreview.html",
          "file:///home/u/.local/share/Varlo/MorvaPreview.htm"}) {
        EXPECT_EQ(Classify(address), BrowserNavigation::kRefuse) << address;
    }
    EXPECT_EQ(ClassifyNavigation("file:///MorvaPreview.html", ""), BrowserNavigation::kRefuse);
}

TEST(BrowserPolicy, TheUserGuideLoadsAtAnyOfItsSectionsButNothingElseBesideIt) {
    constexpr const char* kGuide = "/usr/share/doc/varlo/user-guide.html";
    for (const char* address : {"file:///usr/share/doc/varlo/user-guide.html",
                                "file:///usr/share/doc/varlo/user-guide.html#keywords",
                                "file:///usr/share/doc/../doc/varlo/user-guide.html#the-window",
                                "file:///home/u/.local/share/Varlo/MorvaPreview.html"}) {
        EXPECT_EQ(ClassifyNavigation(address, kPreview, kGuide), BrowserNavigation::kLoad)
            << address;
    }
    for (const char* address :
         {"file:///usr/share/doc/varlo/update-all.png", "file:///usr/share/doc/varlo/README.md",
          "file:///usr/share/doc/varlo/", "file:///usr/share/doc/varlo",
          "file:///usr/share/doc/varlo/user-guide.html%00.png"}) {
        EXPECT_EQ(ClassifyNavigation(address, kPreview, kGuide), BrowserNavigation::kRefuse)
            << address;
    }
    EXPECT_EQ(Classify("file:///usr/share/doc/varlo/user-guide.html"), BrowserNavigation::kRefuse)
        << "no guide, no exception";
}

TEST(BrowserPolicy, FileAddressesGiveTheirDecodedLocalPath) {
    EXPECT_EQ(LocalPathOfFileAddress("file:///tmp/a%20b/%E6%97%A5.html?x#y"),
              "/tmp/a b/\xE6\x97\xA5.html");
    EXPECT_EQ(LocalPathOfFileAddress("file://localhost/tmp/a"), "/tmp/a");
    EXPECT_EQ(LocalPathOfFileAddress("file://host/tmp/a"), "");
    EXPECT_EQ(LocalPathOfFileAddress("http://host/tmp/a"), "");
    EXPECT_EQ(LocalPathOfFileAddress("file:///tmp/100%"), "/tmp/100%");
    // A NUL, raw or encoded, would cut the path short wherever it is used.
    using namespace std::string_view_literals;
    EXPECT_EQ(LocalPathOfFileAddress("file:///tmp/a\0b/MorvaPreview.html"sv), "");
    EXPECT_EQ(LocalPathOfFileAddress("file:///tmp/a%00b"), "");
}

}  // namespace
}  // namespace varlo
