#pragma once
// A desktop's services on a session bus of the test's own: a dbus-daemon started for the test,
// a notification service that records what it is asked, and a listener for the launcher's count.

#include <gio/gio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace varlo::test {

struct RecordedNotice {
    std::string app;
    std::string summary;
    std::string body;
    std::vector<std::string> actions;
    uint32_t replaces = 0;
};

struct LauncherUpdate {
    std::string app;
    int64_t count = 0;
    bool visible = false;
};

class FakeDesktop {
  public:
    // How the notification service behaves.
    enum class Service { kAnswers, kSilent, kAbsent };

    // Starts the bus and points DBUS_SESSION_BUS_ADDRESS at it; the service as asked, and a host
    // of tray icons (a StatusNotifierWatcher) when `tray`.
    explicit FakeDesktop(Service service = Service::kAnswers, bool tray = false);
    // Ends the bus and puts the environment back.
    ~FakeDesktop();
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    bool Running() const { return m_bus != nullptr; }
    const std::vector<RecordedNotice>& Notices() const { return m_notices; }
    const std::vector<LauncherUpdate>& LauncherUpdates() const { return m_launcher; }
    // The user chooses the notification numbered `id` (as the service answered it).
    void Choose(uint32_t id, const std::string& action = "default");
    // The tray icons registered with the watcher: their bus names and object paths.
    const std::vector<std::string>& TrayItems() const { return m_items; }
    // Asks the first tray icon for its title; TrayTitle() has it once the answer came.
    void AskTrayTitle();
    const std::string& TrayTitle() const { return m_title; }

  private:
    static void OnMethod(GDBusConnection* bus, const gchar* sender, const gchar* path,
                         const gchar* interface, const gchar* method, GVariant* parameters,
                         GDBusMethodInvocation* invocation, gpointer self);
    static void OnWatcher(GDBusConnection* bus, const gchar* sender, const gchar* path,
                          const gchar* interface, const gchar* method, GVariant* parameters,
                          GDBusMethodInvocation* invocation, gpointer self);
    static GVariant* OnWatcherProperty(GDBusConnection* bus, const gchar* sender, const gchar* path,
                                       const gchar* interface, const gchar* name, GError** error,
                                       gpointer self);
    static void OnTitle(GObject* source, GAsyncResult* result, gpointer self);
    static void OnLauncher(GDBusConnection* bus, const gchar* sender, const gchar* path,
                           const gchar* interface, const gchar* signal, GVariant* parameters,
                           gpointer self);

    Service m_service;
    int m_daemon = -1;  // the dbus-daemon's process id
    std::string m_previousAddress;
    bool m_hadAddress = false;
    GDBusConnection* m_bus = nullptr;
    GDBusNodeInfo* m_node = nullptr;
    guint m_object = 0;
    GDBusNodeInfo* m_watcherNode = nullptr;
    guint m_watcher = 0;
    std::vector<std::string> m_items;
    std::string m_itemSender;
    std::string m_itemPath;
    std::string m_title;
    guint m_signal = 0;
    std::vector<RecordedNotice> m_notices;
    std::vector<LauncherUpdate> m_launcher;
    std::vector<GDBusMethodInvocation*> m_unanswered;
};

}  // namespace varlo::test
