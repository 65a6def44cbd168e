#pragma once
// The application: start-up, the settings store, the recent-file list, the single document and its
// framework behaviour (new, open, save, save as, the prompt to save changes).

#include <wx/app.h>

#include <memory>
#include <string>

#include "gui/app/recent_files.h"

class wxDocManager;
class wxDocTemplate;

namespace varlo {

class CMainFrame;
class CVarloDoc;
class ISettings;

class CVarloApp : public wxApp {
  public:
    CVarloApp();
    ~CVarloApp() override;

    bool OnInit() override;
    int OnExit() override;
    // The start-up sequence (OnInit runs it unless start-up is deferred); false ends the program.
    bool StartUp();
    // Writes the recent files and releases the document and the network layer (OnExit runs it);
    // destroys the main window if it still exists. StartUp may run again afterwards (tests).
    void ShutDown();
    // Tests start the application themselves, several times in one process.
    static void DeferStartUp(bool defer) { s_deferStartUp = defer; }
    // The program's own command line: [FILE]; no options of the toolkit's.
    void OnInitCmdLine(wxCmdLineParser&) override {}
    bool OnCmdLineParsed(wxCmdLineParser&) override { return true; }

    // Running out of memory anywhere in the window ends the action that ran into it with the
    // message "メモリが不足しています", never the program; other exceptions are the toolkit's.
    bool OnExceptionInMainLoop() override;
    void OnUnhandledException() override;
    // Events posted for later (CallAfter among them) are run here, under the same rule.
    void ProcessPendingEvents() override;

    // Commands of the application object (file commands, recent files, about, help contents).
    void OnAppCommand(int id);
    // Asks "%1 への変更を保存しますか?" when the document is modified; false when the user cancels
    // or the save fails.
    bool SaveModified();
    // Opens a subscription file as the framework does: the open document's own path is only
    // brought forward; a failed open keeps the previous document.
    bool OpenDocumentFile(const std::string& path);
    // A new empty document.
    bool NewDocument();
    void OnFileOpen();
    void OnFileSave();
    bool OnFileSaveAs();

    // The main window tells the application that it is gone.
    void OnFrameDestroyed(CMainFrame* frame) {
        if (m_frame == frame) m_frame = nullptr;
    }
    CVarloDoc* Document() const { return m_document; }
    CMainFrame* Frame() const { return m_frame; }
    CRecentFileList& RecentFiles() { return m_recent; }
    // Settings store for this run (tests install one before start-up).
    void UseSettings(std::unique_ptr<ISettings> settings);
    // The arguments start-up reads (tests set them instead of argv).
    void SetCommandLine(std::vector<std::string> arguments) { m_arguments = std::move(arguments); }

  private:
    void InitializeViews();
    void AfterDocumentChange();
    void StopUpdate();

    std::unique_ptr<ISettings> m_settings;
    std::unique_ptr<wxDocManager> m_docManager;
    wxDocTemplate* m_template = nullptr;  // owned by the document manager
    CVarloDoc* m_document = nullptr;      // owned by the document manager
    CMainFrame* m_frame = nullptr;        // owned by the toolkit
    CRecentFileList m_recent;
    std::vector<std::string> m_arguments;
    bool m_argumentsSet = false;
    bool m_curlStarted = false;
    static inline bool s_deferStartUp = false;
};

}  // namespace varlo
