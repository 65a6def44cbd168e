#include "gui/platform/tray_icon.h"

#include <wx/taskbar.h>

#include <libayatana-appindicator/app-indicator.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "gui/platform/program_icon.h"
#include "gui/platform/wx_text.h"

namespace varlo {

// The toolkit's own tray icon, for a desktop whose tray takes no StatusNotifierItem.
class CTrayIcon::Fallback : public wxTaskBarIcon {
  public:
    explicit Fallback(wxMenu& menu) : m_menu(menu) {
        Bind(wxEVT_TASKBAR_RIGHT_UP, [this](wxTaskBarIconEvent&) { PopupMenu(&m_menu); });
    }

  private:
    wxMenu& m_menu;
};

namespace {

// Whether a session bus is there to be asked, without starting one: a host of tray items needs
// one, and the library would otherwise warn of each missing piece on standard error.
bool HasSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    return runtime && *runtime &&
           std::filesystem::exists(std::filesystem::path(runtime) / "bus", error);
}

}  // namespace

struct TrayHooks {
    static constexpr const char* kOwner = "varlo-tray";
    static CTrayIcon* Owner(AppIndicator* indicator) {
        return static_cast<CTrayIcon*>(g_object_get_data(G_OBJECT(indicator), kOwner));
    }
    // No host of StatusNotifierItems: the toolkit's icon instead of the library's own, so that
    // there is never a second one.
    static GtkStatusIcon* Fallback(AppIndicator* indicator) {
        if (CTrayIcon* tray = Owner(indicator)) tray->StartFallback();
        return nullptr;
    }
    static void Unfallback(AppIndicator* indicator, GtkStatusIcon*) {
        if (CTrayIcon* tray = Owner(indicator)) tray->StopFallback();
    }
    static void ConnectionChanged(AppIndicator* indicator, gboolean connected, gpointer) {
        CTrayIcon* tray = Owner(indicator);
        if (!tray) return;
        tray->m_connected = connected != FALSE;
        if (connected) tray->StopFallback();
        if (tray->m_commands.shownChanged) tray->m_commands.shownChanged(tray->Shown());
    }
};

CTrayIcon::CTrayIcon(Commands commands)
    : m_commands(std::move(commands)), m_menu(std::make_unique<wxMenu>()) {
    m_menu->Append(kShow, Wx("表示"));
    m_menu->Append(kUpdateAll, Wx("すべてのサイトを更新"));
    m_menu->AppendSeparator();
    m_menu->Append(kQuit, Wx("終了"));
    m_menu->Bind(wxEVT_MENU, [this](wxCommandEvent& event) { Run(event.GetId()); });

    if (HasSessionBus()) {
        m_indicator =
            app_indicator_new("varlo", "varlo", APP_INDICATOR_CATEGORY_APPLICATION_STATUS);
    }
    if (!m_indicator) {
        StartFallback();
        return;
    }
    g_object_set_data(G_OBJECT(m_indicator), TrayHooks::kOwner, this);
    AppIndicatorClass* type = APP_INDICATOR_GET_CLASS(m_indicator);
    type->fallback = &TrayHooks::Fallback;
    type->unfallback = &TrayHooks::Unfallback;
    g_signal_connect(m_indicator, APP_INDICATOR_SIGNAL_CONNECTION_CHANGED,
                     G_CALLBACK(&TrayHooks::ConnectionChanged), nullptr);
    app_indicator_set_title(m_indicator, Title().utf8_str());
    app_indicator_set_menu(m_indicator, GTK_MENU(m_menu->m_menu));
    app_indicator_set_status(m_indicator, APP_INDICATOR_STATUS_ACTIVE);
}

CTrayIcon::~CTrayIcon() {
    if (m_indicator) {
        g_object_set_data(G_OBJECT(m_indicator), TrayHooks::kOwner, nullptr);
        app_indicator_set_status(m_indicator, APP_INDICATOR_STATUS_PASSIVE);
        g_object_unref(m_indicator);
    }
    m_fallback.reset();
}

bool CTrayIcon::Shown() const {
    return m_connected || (m_fallback && m_fallback->IsIconInstalled());
}

void CTrayIcon::SetUnreadCount(int64_t count) {
    if (count == m_count) return;
    m_count = count;
    if (m_indicator) app_indicator_set_title(m_indicator, Title().utf8_str());
    if (m_fallback) m_fallback->SetIcon(ProgramIcons().GetIcon(wxSize(32, 32)), Title());
}

wxString CTrayIcon::Title() const {
    if (m_count <= 0) return "Varlo";
    return wxString::Format(Wx("Varlo - 未読 %lld 件"), static_cast<long long>(m_count));
}

void CTrayIcon::StartFallback() {
    if (m_fallback || !wxTaskBarIcon::IsAvailable()) return;
    m_fallback = std::make_unique<Fallback>(*m_menu);
    m_fallback->SetIcon(ProgramIcons().GetIcon(wxSize(32, 32)), Title());
    if (m_commands.shownChanged) m_commands.shownChanged(Shown());
}

void CTrayIcon::StopFallback() {
    if (m_fallback) m_fallback->RemoveIcon();
    m_fallback.reset();
}

void CTrayIcon::Run(int id) {
    const std::function<void()>* command = nullptr;
    switch (id) {
        case kShow:
            command = &m_commands.show;
            break;
        case kUpdateAll:
            command = &m_commands.updateAll;
            break;
        case kQuit:
            command = &m_commands.quit;
            break;
        default:
            return;
    }
    if (*command) (*command)();
}

}  // namespace varlo
