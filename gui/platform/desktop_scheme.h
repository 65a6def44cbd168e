#pragma once
// The desktop's own light or dark preference, as the desktop portal tells it (the setting
// "color-scheme" of org.freedesktop.appearance): GTK 3 reads only its theme and its
// prefer-dark setting, which the web engine already follows. Read on the session bus without
// waiting: until the answer comes, and on a desktop without the portal, there is no preference.

#include <gio/gio.h>

#include <functional>

namespace varlo {

class CDesktopScheme {
  public:
    // `changed` runs on the window's thread whenever the preference read changes.
    explicit CDesktopScheme(std::function<void()> changed);
    ~CDesktopScheme();
    CDesktopScheme(const CDesktopScheme&) = delete;
    CDesktopScheme& operator=(const CDesktopScheme&) = delete;

    // True when the desktop said it prefers dark.
    bool PrefersDark() const { return m_dark; }

  private:
    static void OnBus(GObject* source, GAsyncResult* result, gpointer self);
    static void OnRead(GObject* source, GAsyncResult* result, gpointer self);
    static void OnChanged(GDBusConnection* bus, const gchar* sender, const gchar* path,
                          const gchar* interface, const gchar* signal, GVariant* parameters,
                          gpointer self);
    void Take(GVariant* value);

    std::function<void()> m_changed;
    GCancellable* m_cancel = nullptr;
    GDBusConnection* m_bus = nullptr;
    guint m_subscription = 0;
    bool m_dark = false;
};

}  // namespace varlo
