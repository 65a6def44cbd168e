#pragma once
// The program's icon in the desktop's tray, where there is one: a StatusNotifierItem where a host
// of them runs (KDE, XFCE, Cinnamon, GNOME with its extension), else the toolkit's own tray icon
// where the desktop still has a system tray, else nothing. Never two at once. Its title carries
// the unread count; its menu shows the window, updates every site and ends the program.

#include <wx/menu.h>

#include <cstdint>
#include <functional>
#include <memory>

class wxTaskBarIcon;
struct _AppIndicator;

namespace varlo {

class CTrayIcon {
  public:
    // The commands of the tray's menu; they run on the window's thread.
    struct Commands {
        std::function<void()> show;
        std::function<void()> updateAll;
        std::function<void()> quit;
        // The icon came into a tray, or left it.
        std::function<void(bool shown)> shownChanged;
    };
    explicit CTrayIcon(Commands commands);
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Whether a tray shows the icon now: a host took the item, or the toolkit's icon is in a tray.
    bool Shown() const;
    void SetUnreadCount(int64_t count);
    // The title the icon shows: "Varlo", then the unread count when there is one.
    wxString Title() const;
    // The tray's menu (the same items wherever it shows).
    wxMenu& Menu() { return *m_menu; }

    // The menu's items.
    static constexpr int kShow = 1;
    static constexpr int kUpdateAll = 2;
    static constexpr int kQuit = 3;

  private:
    class Fallback;
    friend struct TrayHooks;
    void StartFallback();
    void StopFallback();
    void Run(int id);

    Commands m_commands;
    std::unique_ptr<wxMenu> m_menu;
    _AppIndicator* m_indicator = nullptr;
    std::unique_ptr<Fallback> m_fallback;
    int64_t m_count = 0;
    bool m_connected = false;  // a host of StatusNotifierItems took the item
};

}  // namespace varlo
