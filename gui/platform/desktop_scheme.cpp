#include "gui/platform/desktop_scheme.h"

#include <cstring>
#include <utility>

namespace varlo {
namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kSettings = "org.freedesktop.portal.Settings";
constexpr const char* kNamespace = "org.freedesktop.appearance";
constexpr const char* kKey = "color-scheme";

// A finished call of ours that was cancelled: its object is gone.
bool Cancelled(GError* error) {
    return error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

}  // namespace

CDesktopScheme::CDesktopScheme(std::function<void()> changed)
    : m_changed(std::move(changed)), m_cancel(g_cancellable_new()) {
    g_bus_get(G_BUS_TYPE_SESSION, m_cancel, &CDesktopScheme::OnBus, this);
}

CDesktopScheme::~CDesktopScheme() {
    g_cancellable_cancel(m_cancel);
    if (m_bus && m_subscription) g_dbus_connection_signal_unsubscribe(m_bus, m_subscription);
    if (m_bus) g_object_unref(m_bus);
    g_object_unref(m_cancel);
}

void CDesktopScheme::OnBus(GObject*, GAsyncResult* result, gpointer self) {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_finish(result, &error);
    if (Cancelled(error)) {
        g_error_free(error);
        return;
    }
    if (error) g_error_free(error);
    if (!bus) return;
    // The bus going away (a desktop session ending, a test's own bus) must not end the program.
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    auto* scheme = static_cast<CDesktopScheme*>(self);
    scheme->m_bus = bus;
    scheme->m_subscription = g_dbus_connection_signal_subscribe(
        bus, kPortal, kSettings, "SettingChanged", kPath, kNamespace, G_DBUS_SIGNAL_FLAGS_NONE,
        &CDesktopScheme::OnChanged, scheme, nullptr);
    g_dbus_connection_call(
        bus, kPortal, kPath, kSettings, "Read", g_variant_new("(ss)", kNamespace, kKey), nullptr,
        G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, scheme->m_cancel, &CDesktopScheme::OnRead, scheme);
}

void CDesktopScheme::OnRead(GObject* source, GAsyncResult* result, gpointer self) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (error) {
        // No portal, or one without the setting: no preference.
        g_error_free(error);
        return;
    }
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    static_cast<CDesktopScheme*>(self)->Take(value);
    g_variant_unref(value);
    g_variant_unref(reply);
}

void CDesktopScheme::OnChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                               const gchar*, GVariant* parameters, gpointer self) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)"))) return;
    const gchar* space = nullptr;
    const gchar* key = nullptr;
    GVariant* value = nullptr;
    g_variant_get(parameters, "(&s&sv)", &space, &key, &value);
    if (std::strcmp(space, kNamespace) == 0 && std::strcmp(key, kKey) == 0) {
        static_cast<CDesktopScheme*>(self)->Take(value);
    }
    g_variant_unref(value);
}

void CDesktopScheme::Take(GVariant* value) {
    // Older portals wrap the value once more than newer ones.
    GVariant* inner = g_variant_ref(value);
    while (g_variant_is_of_type(inner, G_VARIANT_TYPE_VARIANT)) {
        GVariant* next = g_variant_get_variant(inner);
        g_variant_unref(inner);
        inner = next;
    }
    // 1 is "prefer dark"; 0 (no preference) and 2 (prefer light) are light.
    const bool dark =
        g_variant_is_of_type(inner, G_VARIANT_TYPE_UINT32) && g_variant_get_uint32(inner) == 1;
    g_variant_unref(inner);
    if (dark == m_dark) return;
    m_dark = dark;
    if (m_changed) m_changed();
}

}  // namespace varlo
