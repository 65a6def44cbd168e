#include "gui/controls/file_dialog_ex.h"

#include <gtest/gtest.h>

#include "dialog_test_util.h"
#include "gui_test_support.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using namespace test;

TEST(FileDialogFilter, ClassicFilterLosesItsClosingPairAndAnythingIncomplete) {
    EXPECT_EQ(CFileDialogEx::ConvertFilter("OPML (*.opml)|*.opml;*.xml|All (*.*)|*.*||"),
              "OPML (*.opml)|*.opml;*.xml|All (*.*)|*.*");
    EXPECT_EQ(CFileDialogEx::ConvertFilter("XML|*.xml"), "XML|*.xml");
    EXPECT_EQ(CFileDialogEx::ConvertFilter("XML|*.xml||Text|*.txt||"), "XML|*.xml");
    EXPECT_EQ(CFileDialogEx::ConvertFilter("XML|*.xml|Text"), "XML|*.xml");
    EXPECT_EQ(CFileDialogEx::ConvertFilter("XML||"), "");
    EXPECT_EQ(CFileDialogEx::ConvertFilter(""), "");
}

// Answers the next file dialog with `name` in `folder`.
void ChooseFile(const std::string& folder, const wxString& name) {
    ExpectModal([=](wxDialog* shown) {
        auto* files = static_cast<wxFileDialog*>(shown);
        files->SetDirectory(folder);
        files->SetFilename(name);
        return wxID_OK;
    });
}

TEST(FileDialog, OpenDialogGivesTheChosenPathAndKeepsAnExistingBareName) {
    TempDir dir;
    WriteFile(dir.File("README"), "x");
    CFileDialogEx dialog(true, "opml", wxEmptyString, 0, "OPML|*.opml|All|*.*||");
    EXPECT_EQ(dialog.GetMessage(), U8("ファイルを開く"));
    EXPECT_EQ(dialog.GetWildcard(), "OPML|*.opml|All|*.*");
    ChooseFile(dir.Path().string(), "feeds.opml");
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.GetPathName(), wxString(dir.File("feeds.opml")));
    ChooseFile(dir.Path().string(), "README");
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.GetPathName(), wxString(dir.File("README")));
    ExpectModal([](wxDialog*) { return wxID_CANCEL; });
    EXPECT_EQ(dialog.DoModal(), 2);
    ExpectNoPendingModals();
}

TEST(FileDialog, SaveDialogAsksBeforeReplacingAndAddsTheDefaultExtension) {
    TempDir dir;
    CFileDialogEx dialog(false, "opml", dir.File("untitled.opml"), 0);
    EXPECT_TRUE(dialog.HasFlag(wxFD_OVERWRITE_PROMPT));
    EXPECT_EQ(dialog.GetFilename(), "untitled.opml");
    ChooseFile(dir.Path().string(), U8("購読"));
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.GetPathName(), wxString::FromUTF8(dir.File("購読.opml")));
}

}  // namespace
}  // namespace varlo
