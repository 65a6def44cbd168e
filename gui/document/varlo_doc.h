#pragma once
// The application's single document: the subscription list and the feed of the site shown last.

#include <wx/docview.h>

#include <memory>

#include "feeds/rss_file.h"
#include "subscriptions/opml_file.h"

namespace varlo {

class CVarloDoc : public wxDocument {
  public:
    CVarloDoc() = default;

    // Empties the subscription list (the feed is kept) and clears the modified flag.
    bool OnNewDocument() override;
    // Reads the subscription file; on failure shows "ファイルを開けません" with the file and the
    // reason (not found, not allowed, not OPML, ...) in one message, and the list is kept.
    // Says how many outlines could not be read, when any.
    bool OnOpenDocument(const wxString& path) override;
    // Writes the subscription file; a successful save clears the modified flag. Saving over a file
    // whose outlines could not all be read asks first, and "No" saves nothing.
    bool OnSaveDocument(const wxString& path) override;
    // Empties the subscription list only.
    bool DeleteContents() override;
    // The prompts of the program are its own; the framework never asks on its own.
    bool OnSaveModified() override { return true; }

    COpmlFile m_opmlFile;

    // The feed of the site shown last, as it was read. Shared with the workers that write its
    // page and record its articles, it never changes: a new reading replaces it whole.
    const CRssFile& Feed() const { return *m_feed; }
    const std::shared_ptr<const CRssFile>& SharedFeed() const { return m_feed; }
    // Shows `feed` from now on (null: an empty feed) and gives back the one shown before, for the
    // caller to let go of where a large feed's freeing does not hold up the window.
    std::shared_ptr<const CRssFile> SetFeed(std::shared_ptr<const CRssFile> feed);

  private:
    std::shared_ptr<const CRssFile> m_feed = std::make_shared<const CRssFile>();
    // The file last opened when it held outlines that could not be read (empty otherwise): saving
    // over it loses them, so the user is asked first.
    std::string m_lossyPath;
    int m_lossyCount = 0;

    wxDECLARE_DYNAMIC_CLASS(CVarloDoc);
};

}  // namespace varlo
