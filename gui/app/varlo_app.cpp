#include "gui/app/varlo_app.h"

#include <curl/curl.h>
#include <wx/docview.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <stdexcept>

#include "gui/app/desktop_services.h"
#include "gui/app/main_frame.h"
#include "gui/app/sync_window.h"
#include "gui/app/update_all.h"
#include "gui/controls/about_dlg.h"
#include "gui/controls/file_dialog_ex.h"
#include "gui/controls/http_download_dlg.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
#include "gui/platform/gui_hooks.h"
#include "gui/platform/settings.h"
#include "gui/platform/wx_text.h"
#include "gui/views/article_view.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "shell/command_ids.h"

namespace varlo {

namespace {

// Subscription files are named .opml as often as .xml; the first choice shows both.
const char* const kFilter =
    "OPMLﾌｧｲﾙ(*.opml;*.xml) |*.opml;*.xml|XMLﾌｧｲﾙ(*.xml) |*.xml|全てのﾌｧｲﾙ(*.*) |*.*||";
constexpr int kFilterCount = 3;

std::string Utf8(const wxString& text) {
    return std::string(text.utf8_str());
}

// Two paths name the same file.
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    return a == b;
}

}  // namespace

bool CVarloApp::OnExceptionInMainLoop() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        // The handler that ran out has unwound and released what it held: the window goes on.
        ReportOutOfMemory();
        return true;
    } catch (const std::length_error&) {
        // A size beyond what any allocation could give: the same shortage, asked for at once.
        ReportOutOfMemory();
        return true;
    } catch (...) {
        return wxApp::OnExceptionInMainLoop();
    }
}

void CVarloApp::OnUnhandledException() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory();
    } catch (const std::length_error&) {
        ReportOutOfMemory();
    } catch (...) {
        wxApp::OnUnhandledException();
    }
}

void CVarloApp::ProcessPendingEvents() {
    try {
        wxApp::ProcessPendingEvents();
    } catch (const std::bad_alloc&) {
        ReportOutOfMemory();
    } catch (const std::length_error&) {
        ReportOutOfMemory();
    }
}

CVarloApp::CVarloApp() = default;
CVarloApp::~CVarloApp() = default;

void CVarloApp::UseSettings(std::unique_ptr<ISettings> settings) {
    m_settings = std::move(settings);
    SetSettings(m_settings.get());
}

bool CVarloApp::OnInit() {
    if (s_deferStartUp) return true;
    return StartUp();
}

bool CVarloApp::StartUp() {
    // Tests answer message boxes and pump events themselves.
    if (!s_deferStartUp) {
        InstallGuiMessageBoxes();
        InstallGuiMessagePump();
    }
    SetAppName("Varlo");
    SetVendorName("Morva");
    // The network layer first: without it nothing can be fetched.
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        ShowMessageBox(Jp("Windows ｿｹｯﾄの初期化に失敗しました。"), kMbOk | kMbIconError);
        return false;
    }
    m_curlStarted = true;
    if (!m_settings) UseSettings(std::make_unique<FileSettings>());
    m_recent.Load(Settings());

    m_docManager = std::make_unique<wxDocManager>(0, false);
    m_docManager->Initialize();
    m_template = new wxDocTemplate(m_docManager.get(), "Varlo Document", "*.xml", "", "xml",
                                   "Varlo.Document", "Varlo View", CLASSINFO(CVarloDoc),
                                   CLASSINFO(CVarloView));
    m_document = new CVarloDoc;
    // The toolkit names a document without a name in English; the window's title shows it from
    // the start, while a message about opening the file is still open.
    m_document->SetTitle(Wx("無題"));
    m_document->SetDocumentTemplate(m_template);
    m_docManager->AddDocument(m_document);
    m_frame = new CMainFrame(m_docManager.get(), m_document);
    SetTopWindow(m_frame);
    InstallDownloadProgressWindows(m_frame);
    m_frame->UpdateRecentFiles();

    if (!m_argumentsSet) {
        for (int i = 1; i < argc; ++i) m_arguments.push_back(Utf8(argv[i]));
    }
    // Started with the desktop: into the tray, or minimised.
    const auto minimized = std::find(m_arguments.begin(), m_arguments.end(), "--minimized");
    const bool startMinimized = minimized != m_arguments.end();
    if (startMinimized) m_arguments.erase(minimized);
    // The window comes first: what opening the file has to say appears centred on it, not alone
    // in a corner of the screen before there is a window at all.
    m_frame->Show(true);
    const int initFile = Settings().GetInt("System", "InitFile", 1);
    bool opened = false;
    if (m_arguments.empty() && initFile != 0) {
        const std::string recent = m_recent.Paths().empty() ? "" : m_recent.Paths().front();
        if (!recent.empty() && std::filesystem::exists(recent)) opened = OpenDocumentFile(recent);
    } else if (!m_arguments.empty()) {
        opened = OpenDocumentFile(m_arguments.front());
    }
    // A file that cannot be read still leaves the user a window, with a new empty document.
    if (!opened) NewDocument();
    m_frame->Update();
    if (startMinimized) m_frame->Desktop().StartMinimized();
    // The file of a sync account starts with a sync (the window is already there).
    if (opened) m_frame->Sync().Start();
    return true;
}

int CVarloApp::OnExit() {
    ShutDown();
    return wxApp::OnExit();
}

void CVarloApp::ShutDown() {
    if (!m_docManager) return;
    m_recent.Save(Settings());
    if (m_document) m_document->Modify(false);
    StopBackgroundWork();
    InstallDownloadProgressWindows(nullptr);
    if (m_frame && !m_frame->IsBeingDeleted() && wxTheApp->GetTopWindow() == m_frame) {
        m_frame->Destroy();
    }
    m_frame = nullptr;
    m_docManager.reset();
    m_document = nullptr;
    m_template = nullptr;
    if (m_curlStarted) curl_global_cleanup();
    m_curlStarted = false;
}

void CVarloApp::InitializeViews() {
    if (!m_frame) return;
    // Nothing of the previous document's feed stays on screen or in reach of the view options.
    m_frame->SiteList()->ForgetFeed();
    m_frame->ArticleList()->OnInitialUpdate();
    m_frame->SiteList()->OnInitialUpdate();
}

void CVarloApp::StopUpdate() {
    // The update works through the open file's sites; what finished is kept in the store.
    if (m_frame) m_frame->Updates().Cancel();
}

void CVarloApp::AfterDocumentChange() {
    if (!m_frame) return;
    m_frame->UpdateTitle();
    m_frame->UpdateRecentFiles();
}

bool CVarloApp::SaveModified() {
    if (!m_document || !m_document->IsModified()) return true;
    wxString title = m_document->GetUserReadableName();
    const Text question = FromWx(title) + Jp(" への変更を保存しますか?");
    switch (ShowMessageBox(question, kMbYesNoCancel | kMbIconWarning)) {
        case kIdYes: {
            const wxString path = m_document->GetFilename();
            if (path.empty()) return OnFileSaveAs();
            return m_document->OnSaveDocument(path);
        }
        case kIdNo:
            return true;
        default:
            return false;
    }
}

bool CVarloApp::NewDocument() {
    if (!m_document) return false;
    if (!SaveModified()) return false;
    StopUpdate();
    m_document->OnNewDocument();
    m_document->SetFilename(wxString(), false);
    m_document->SetTitle(Wx("無題"));
    InitializeViews();
    AfterDocumentChange();
    return true;
}

bool CVarloApp::OpenDocumentFile(const std::string& path) {
    if (!m_document) return false;
    if (SameFile(Utf8(m_document->GetFilename()), path)) {
        if (m_frame) m_frame->Raise();
        return true;
    }
    if (!SaveModified()) return false;
    StopUpdate();
    const bool wasModified = m_document->IsModified();
    m_document->Modify(false);
    bool read = false;
    try {
        read = m_document->OnOpenDocument(wxString::FromUTF8(path));
    } catch (const std::bad_alloc&) {
        // The list is replaced only after a whole read, so the previous one is still intact; at
        // start-up the user then gets a new document instead of no window.
        ReportOutOfMemory();
    }
    if (!read) {
        m_document->Modify(wasModified);
        return false;
    }
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(path, ec).string();
    if (ec) absolute = path;
    m_document->SetFilename(wxString::FromUTF8(absolute), false);
    m_document->SetTitle(wxFileName(wxString::FromUTF8(absolute)).GetFullName());
    m_recent.Add(absolute);
    InitializeViews();
    AfterDocumentChange();
    return true;
}

void CVarloApp::OnFileOpen() {
    Text folder = Settings().GetString("System", "InitDir", {});
    wxString start = ToWx(folder);
    if (start.empty()) start = wxStandardPaths::Get().GetDocumentsDir();
    CFileDialogEx dialog(true, "xml", "*.xml", wxFD_OPEN | wxFD_FILE_MUST_EXIST, Wx(kFilter),
                         m_frame);
    dialog.SetTitle(Wx("開く"));
    dialog.SetDirectory(start);
    const int filter = Settings().GetInt("System", "OpenFilter", 0);
    dialog.SetFilterIndex(filter >= 0 && filter < kFilterCount ? filter : 0);
    if (dialog.DoModal() != 1) return;
    Settings().WriteInt("System", "OpenFilter", dialog.GetFilterIndex());
    const wxString path = dialog.GetPathName();
    const size_t slash = path.find_last_of('/');
    const wxString chosenFolder = slash == wxString::npos ? wxString("/") : path.Left(slash);
    Settings().WriteString("System", "InitDir", FromWx(chosenFolder));
    OpenDocumentFile(Utf8(path));
}

void CVarloApp::OnFileSave() {
    if (!m_document) return;
    const wxString path = m_document->GetFilename();
    if (path.empty()) {
        OnFileSaveAs();
        return;
    }
    m_document->OnSaveDocument(path);
}

bool CVarloApp::OnFileSaveAs() {
    if (!m_document) return false;
    CFileDialogEx dialog(false, "xml", m_document->GetFilename(), wxFD_SAVE | wxFD_OVERWRITE_PROMPT,
                         Wx(kFilter), m_frame);
    dialog.SetTitle(Wx("名前を付けて保存"));
    if (dialog.DoModal() != 1) return false;
    const wxString path = dialog.GetPathName();
    if (!m_document->OnSaveDocument(path)) return false;
    m_document->SetFilename(path, false);
    m_document->SetTitle(wxFileName(path).GetFullName());
    m_recent.Add(Utf8(path));
    AfterDocumentChange();
    return true;
}

void CVarloApp::OnAppCommand(int id) {
    if (id >= cmd::kFileMruFirst && id <= cmd::kFileMruLast) {
        const size_t index = static_cast<size_t>(id - cmd::kFileMruFirst);
        if (index < m_recent.Paths().size()) OpenDocumentFile(m_recent.Paths()[index]);
        return;
    }
    switch (id) {
        case cmd::kFileNew:
            NewDocument();
            break;
        case cmd::kFileOpen:
            OnFileOpen();
            break;
        case cmd::kFileSave:
            OnFileSave();
            break;
        case cmd::kFileSaveAs:
            OnFileSaveAs();
            break;
        case cmd::kAppAbout: {
            CAboutDlg dialog(m_frame);
            dialog.DoModal();
            break;
        }
        case cmd::kAppExit:
            if (m_frame) m_frame->Quit();
            break;
        case cmd::kHelpFinder:
            if (m_frame) m_frame->ShowHelp();
            break;
        default:
            break;
    }
}

}  // namespace varlo
