#pragma once
// What the main window tells the desktop while it may not be looked at: one notification after an
// update or a sync that brought unread articles, and the unread count on the launcher.

#include <cstdint>
#include <memory>

namespace varlo {

class CDesktopNotices;
class CMainFrame;
class CTrayIcon;

class CDesktopServices {
  public:
    explicit CDesktopServices(CMainFrame& frame);
    ~CDesktopServices();
    CDesktopServices(const CDesktopServices&) = delete;
    CDesktopServices& operator=(const CDesktopServices&) = delete;

    // Where the articles stored so far end: taken before an update or a sync stores anything.
    int64_t Mark() const;
    // After an update or a sync that began at `mark`: one notification for the unread articles it
    // brought to the open file's sites, unless notifications are off or the window is in front.
    void AnnounceNew(int64_t mark);
    // Notifications on or off ("新着を通知する" of the View menu, kept in the settings).
    bool NotifyOn() const { return m_notify; }
    void SetNotify(bool on);
    CDesktopNotices& Notices() { return *m_notices; }
    CTrayIcon& Tray() { return *m_tray; }

    // "閉じるとトレイに入る" (kept in the settings): closing the window hides it while a tray
    // shows the icon, and the program goes on updating and notifying.
    bool CloseToTray() const { return m_closeToTray; }
    void SetCloseToTray(bool on);
    bool KeepsRunningOnClose() const;
    // "ログイン時に起動する": the desktop's autostart entry, written or removed.
    bool Autostart() const;
    void SetAutostart(bool on);
    // The program was started minimised: into the tray once one shows the icon, minimised till
    // then.
    void StartMinimized();

  private:
    bool WindowInFront() const;
    void ShowWindow();

    CMainFrame& m_frame;
    std::unique_ptr<CDesktopNotices> m_notices;
    std::unique_ptr<CTrayIcon> m_tray;
    bool m_notify = true;
    bool m_closeToTray = false;
    bool m_hideInTray = false;
};

}  // namespace varlo
