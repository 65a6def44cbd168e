#pragma once
// Telling the desktop without a window: notifications through its notification service, and the
// unread count on the program's launcher (the dock, the task bar). Both go over the session bus
// without waiting for an answer: a desktop without a bus or a service, or one that hangs, leaves
// the program as it is, with one line on standard error at most.

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace varlo {

class CDesktopNotices {
  public:
    // `activated` runs on the window's thread when the user chooses the notification itself.
    explicit CDesktopNotices(std::function<void()> activated);
    ~CDesktopNotices();
    CDesktopNotices(const CDesktopNotices&) = delete;
    CDesktopNotices& operator=(const CDesktopNotices&) = delete;

    // Shows a notification (UTF-8; `body` may hold the service's markup), replacing the one this
    // program showed last.
    void Notify(const std::string& summary, const std::string& body);
    // Shows `count` on the launcher; none at zero.
    void SetLauncherCount(int64_t count);

    // Calls not yet answered (for tests, which wait for the service's answers by events).
    int Pending() const { return m_pending; }

  private:
    struct Notice {
        std::string summary;
        std::string body;
    };
    void Connect();
    static void OnBus(GObject* source, GAsyncResult* result, gpointer self);
    static void OnNotified(GObject* source, GAsyncResult* result, gpointer self);
    static void OnAction(GDBusConnection* bus, const gchar* sender, const gchar* path,
                         const gchar* interface, const gchar* signal, GVariant* parameters,
                         gpointer self);
    void Send(const Notice& notice);
    void SendCount();
    void Complain(const char* what, const GError* error);

    std::function<void()> m_activated;
    GCancellable* m_cancel = nullptr;
    GDBusConnection* m_bus = nullptr;
    bool m_busAsked = false;
    bool m_noBus = false;
    guint m_subscription = 0;
    uint32_t m_shown = 0;  // the service's id of the notification shown last
    std::optional<Notice> m_waiting;
    std::optional<int64_t> m_count;
    int m_pending = 0;
    bool m_complained = false;
};

}  // namespace varlo
