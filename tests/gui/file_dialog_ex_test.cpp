#include "app/file_dialog_ex.h"

#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::ExpectModal;

TEST(FileDialogFilter, ClassicFilterLosesItsClosingPair) {
    EXPECT_EQ(CFileDialogEx::ConvertFilter("OPML (*.opml)|*.opml;*.xml|All (*.*)|*.*||"),
              "OPML (*.opml)|*.opml;*.xml|All (*.*)|*.*");
    EXPECT_EQ(CFileDialogEx::ConvertFilter("XML|*.xml|"), "XML|*.xml");
    EXPECT_EQ(CFileDialogEx::ConvertFilter("XML|*.xml"), "XML|*.xml");
}

TEST(FileDialogFilter, AnythingAfterTheClosingPairOrAnIncompletePairIsDropped) {
    EXPECT_EQ(CFileDialogEx::ConvertFilter("XML|*.xml||Text|*.txt||"), "XML|*.xml");
    EXPECT_EQ(CFileDialogEx::ConvertFilter("XML|*.xml|Text"), "XML|*.xml");
    EXPECT_EQ(CFileDialogEx::ConvertFilter("XML||"), "");
    EXPECT_EQ(CFileDialogEx::ConvertFilter("||"), "");
    EXPECT_EQ(CFileDialogEx::ConvertFilter(""), "");
}

TEST(FileDialog, OpenDialogGivesTheChosenPath) {
    test::TempDir dir;
    test::WriteFile(dir.File("feeds.opml"), "x");
    CFileDialogEx dialog(true, "opml", wxEmptyString, 0, "OPML|*.opml|All|*.*||");
    ExpectModal([&](wxDialog* shown) {
        auto* files = dynamic_cast<wxFileDialog*>(shown);
        EXPECT_NE(files, nullptr);
        EXPECT_EQ(files->GetMessage(), wxString::FromUTF8("ファイルを開く"));
        files->SetDirectory(dir.Path().string());
        files->SetFilename("feeds.opml");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    test::ExpectNoPendingModals();
    EXPECT_EQ(dialog.GetPathName(), wxString(dir.File("feeds.opml")));
    EXPECT_EQ(dialog.GetWildcard(), "OPML|*.opml|All|*.*");
}

TEST(FileDialog, OpenDialogKeepsAnExistingNameWithoutExtension) {
    test::TempDir dir;
    test::WriteFile(dir.File("README"), "x");
    CFileDialogEx dialog(true, "opml");
    ExpectModal([&](wxDialog* shown) {
        auto* files = static_cast<wxFileDialog*>(shown);
        files->SetDirectory(dir.Path().string());
        files->SetFilename("README");
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.GetPathName(), wxString(dir.File("README")));
}

TEST(FileDialog, SaveDialogAddsTheDefaultExtensionToABareName) {
    test::TempDir dir;
    CFileDialogEx dialog(false, "opml", dir.File("untitled.opml"), 0);
    EXPECT_TRUE(dialog.HasFlag(wxFD_SAVE));
    EXPECT_TRUE(dialog.HasFlag(wxFD_OVERWRITE_PROMPT));
    ExpectModal([&](wxDialog* shown) {
        auto* files = static_cast<wxFileDialog*>(shown);
        EXPECT_EQ(files->GetMessage(), wxString::FromUTF8("名前を付けて保存"));
        EXPECT_EQ(files->GetFilename(), "untitled.opml");
        files->SetFilename(wxString::FromUTF8("購読"));
        return wxID_OK;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.GetPathName(), wxString::FromUTF8(dir.File("購読.opml").c_str()));
}

TEST(FileDialog, CancelGivesTwo) {
    CFileDialogEx dialog(true);
    ExpectModal([](wxDialog*) { return wxID_CANCEL; });
    EXPECT_EQ(dialog.DoModal(), 2);
    test::ExpectNoPendingModals();
}

}  // namespace
}  // namespace varlo
