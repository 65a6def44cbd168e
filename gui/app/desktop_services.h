#pragma once
// What the main window tells the desktop while it may not be looked at: one notification after an
// update or a sync that brought unread articles, and the unread count on the launcher.

#include <cstdint>
#include <memory>

namespace varlo {

class CDesktopNotices;
class CMainFrame;

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

  private:
    bool WindowInFront() const;

    CMainFrame& m_frame;
    std::unique_ptr<CDesktopNotices> m_notices;
    bool m_notify = true;
};

}  // namespace varlo
