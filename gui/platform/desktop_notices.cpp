#include "gui/platform/desktop_notices.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace varlo {
namespace {

constexpr const char* kNoticesService = "org.freedesktop.Notifications";
constexpr const char* kNoticesPath = "/org/freedesktop/Notifications";
constexpr const char* kNoticesInterface = "org.freedesktop.Notifications";
constexpr const char* kLauncherPath = "/com/canonical/unity/launcherentry/varlo";
constexpr const char* kLauncherInterface = "com.canonical.Unity.LauncherEntry";
constexpr const char* kDesktopEntry = "application://varlo.desktop";
// A service that does not answer within this time is taken for absent.
constexpr int kCallTimeoutMs = 1000;

bool Cancelled(const GError* error) {
    return error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

}  // namespace

CDesktopNotices::CDesktopNotices(std::function<void()> activated)
    : m_activated(std::move(activated)), m_cancel(g_cancellable_new()) {}

CDesktopNotices::~CDesktopNotices() {
    g_cancellable_cancel(m_cancel);
    if (m_bus && m_subscription) g_dbus_connection_signal_unsubscribe(m_bus, m_subscription);
    if (m_bus) {
        g_dbus_connection_close(m_bus, nullptr, nullptr, nullptr);
        g_object_unref(m_bus);
    }
    g_object_unref(m_cancel);
}

void CDesktopNotices::Notify(const std::string& summary, const std::string& body) {
    Notice notice{summary, body};
    if (m_bus) {
        Send(notice);
        return;
    }
    if (m_noBus) return;
    // The bus is found once, when first needed; the latest notice waits for it.
    m_waiting = std::move(notice);
    if (!m_busAsked) {
        m_busAsked = true;
        Connect();
    }
}

void CDesktopNotices::SetLauncherCount(int64_t count) {
    if (m_count == count) return;
    m_count = count;
    if (m_bus) {
        SendCount();
    } else if (!m_noBus && !m_busAsked) {
        m_busAsked = true;
        Connect();
    }
}

void CDesktopNotices::Connect() {
    // A connection of its own rather than the process's shared one: it follows the session bus
    // of the environment as it is when first needed, and goes with this object.
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!address) {
        m_noBus = true;
        m_waiting.reset();
        Complain("no session bus", error);
        if (error) g_error_free(error);
        return;
    }
    ++m_pending;
    g_dbus_connection_new_for_address(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, m_cancel, &CDesktopNotices::OnBus, this);
    g_free(address);
}

void CDesktopNotices::OnBus(GObject*, GAsyncResult* result, gpointer self) {
    GError* error = nullptr;
    GDBusConnection* bus = g_dbus_connection_new_for_address_finish(result, &error);
    if (Cancelled(error)) {
        g_error_free(error);
        return;
    }
    auto* notices = static_cast<CDesktopNotices*>(self);
    --notices->m_pending;
    if (!bus) {
        notices->m_noBus = true;
        notices->Complain("no session bus", error);
        if (error) g_error_free(error);
        notices->m_waiting.reset();
        return;
    }
    if (error) g_error_free(error);
    notices->m_bus = bus;
    notices->m_subscription = g_dbus_connection_signal_subscribe(
        bus, nullptr, kNoticesInterface, "ActionInvoked", kNoticesPath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &CDesktopNotices::OnAction, notices, nullptr);
    if (notices->m_count) notices->SendCount();
    if (notices->m_waiting) {
        const Notice notice = std::move(*notices->m_waiting);
        notices->m_waiting.reset();
        notices->Send(notice);
    }
}

void CDesktopNotices::Send(const Notice& notice) {
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&actions, "s", "default");
    g_variant_builder_add(&actions, "s", "表示");
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string("varlo"));
    g_variant_builder_add(&hints, "{sv}", "category", g_variant_new_string("im.received"));
    ++m_pending;
    g_dbus_connection_call(
        m_bus, kNoticesService, kNoticesPath, kNoticesInterface, "Notify",
        g_variant_new("(susssasa{sv}i)", "Varlo", m_shown, "varlo", notice.summary.c_str(),
                      notice.body.c_str(), &actions, &hints, -1),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, m_cancel,
        &CDesktopNotices::OnNotified, this);
}

void CDesktopNotices::OnNotified(GObject* source, GAsyncResult* result, gpointer self) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (Cancelled(error)) {
        g_error_free(error);
        return;
    }
    auto* notices = static_cast<CDesktopNotices*>(self);
    --notices->m_pending;
    if (!reply) {
        notices->Complain("no notification service", error);
        if (error) g_error_free(error);
        return;
    }
    g_variant_get(reply, "(u)", &notices->m_shown);
    g_variant_unref(reply);
}

void CDesktopNotices::OnAction(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                               const gchar*, GVariant* parameters, gpointer self) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) return;
    uint32_t id = 0;
    const gchar* action = nullptr;
    g_variant_get(parameters, "(u&s)", &id, &action);
    auto* notices = static_cast<CDesktopNotices*>(self);
    // Other programs' notifications raise their own actions on the same interface.
    if (id == 0 || id != notices->m_shown || std::strcmp(action, "default") != 0) return;
    if (notices->m_activated) notices->m_activated();
}

void CDesktopNotices::SendCount() {
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&properties, "{sv}", "count", g_variant_new_int64(*m_count));
    g_variant_builder_add(&properties, "{sv}", "count-visible",
                          g_variant_new_boolean(*m_count > 0));
    GError* error = nullptr;
    if (!g_dbus_connection_emit_signal(m_bus, nullptr, kLauncherPath, kLauncherInterface, "Update",
                                       g_variant_new("(sa{sv})", kDesktopEntry, &properties),
                                       &error)) {
        Complain("the launcher's count was not sent", error);
        if (error) g_error_free(error);
    }
}

void CDesktopNotices::Complain(const char* what, const GError* error) {
    if (m_complained) return;
    m_complained = true;
    std::fprintf(stderr, "varlo: %s%s%s\n", what, error ? ": " : "", error ? error->message : "");
}

}  // namespace varlo
