#pragma once
// The application's single document: the subscription list and the feed of the site shown last.

#include <wx/docview.h>

#include "feeds/rss_file.h"
#include "subscriptions/opml_file.h"

namespace varlo {

class CVarloDoc : public wxDocument {
  public:
    CVarloDoc() = default;

    // Empties the subscription list (the feed is kept) and clears the modified flag.
    bool OnNewDocument() override;
    // Reads the subscription file; on failure shows "ファイルを開けません" and the list is kept.
    bool OnOpenDocument(const wxString& path) override;
    // Writes the subscription file; a successful save clears the modified flag.
    bool OnSaveDocument(const wxString& path) override;
    // Empties the subscription list only.
    bool DeleteContents() override;
    // The prompts of the program are its own; the framework never asks on its own.
    bool OnSaveModified() override { return true; }

    COpmlFile m_opmlFile;
    CRssFile m_rssFile;

  private:
    wxDECLARE_DYNAMIC_CLASS(CVarloDoc);
};

}  // namespace varlo
