#include "fake_desktop.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace varlo::test {
namespace {

constexpr const char* kIntrospection =
    "<node><interface name='org.freedesktop.Notifications'>"
    "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/>"
    "<arg type='i' direction='in'/><arg type='u' direction='out'/></method>"
    "<method name='GetCapabilities'><arg type='as' direction='out'/></method>"
    "<signal name='ActionInvoked'><arg type='u'/><arg type='s'/></signal>"
    "</interface></node>";

constexpr const char* kWatcherIntrospection =
    "<node><interface name='org.kde.StatusNotifierWatcher'>"
    "<method name='RegisterStatusNotifierItem'><arg type='s' direction='in'/></method>"
    "<method name='RegisterStatusNotifierHost'><arg type='s' direction='in'/></method>"
    "<property name='RegisteredStatusNotifierItems' type='as' access='read'/>"
    "<property name='IsStatusNotifierHostRegistered' type='b' access='read'/>"
    "<property name='ProtocolVersion' type='i' access='read'/>"
    "</interface></node>";

// Asks the bus for `name` and waits for its answer.
void OwnName(GDBusConnection* bus, const char* name) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", name, 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 5000,
        nullptr, nullptr);
    if (reply) g_variant_unref(reply);
}

// Runs `command` and reads the first line it prints.
std::string FirstLine(FILE* output) {
    char line[1024] = {};
    if (!std::fgets(line, sizeof line, output)) return {};
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace

FakeDesktop::FakeDesktop(Service service, bool tray) : m_service(service) {
    if (const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        m_hadAddress = true;
        m_previousAddress = previous;
    }
    FILE* output = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (!output) return;
    const std::string address = FirstLine(output);
    const std::string pid = FirstLine(output);
    pclose(output);
    if (address.empty() || pid.empty()) return;
    m_daemon = std::atoi(pid.c_str());
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    m_bus = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (!m_bus) return;
    m_signal = g_dbus_connection_signal_subscribe(
        m_bus, nullptr, "com.canonical.Unity.LauncherEntry", "Update", nullptr, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, &FakeDesktop::OnLauncher, this, nullptr);
    if (tray) {
        m_watcherNode = g_dbus_node_info_new_for_xml(kWatcherIntrospection, nullptr);
        static const GDBusInterfaceVTable kWatcherTable = {
            &FakeDesktop::OnWatcher, &FakeDesktop::OnWatcherProperty, nullptr, {}};
        m_watcher = g_dbus_connection_register_object(m_bus, "/StatusNotifierWatcher",
                                                      m_watcherNode->interfaces[0], &kWatcherTable,
                                                      this, nullptr, nullptr);
        OwnName(m_bus, "org.kde.StatusNotifierWatcher");
    }
    if (m_service == Service::kAbsent) return;
    m_node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    static const GDBusInterfaceVTable kTable = {&FakeDesktop::OnMethod, nullptr, nullptr, {}};
    m_object =
        g_dbus_connection_register_object(m_bus, "/org/freedesktop/Notifications",
                                          m_node->interfaces[0], &kTable, this, nullptr, nullptr);
    // The name is the service's once the bus answered: nothing is asked of it before.
    OwnName(m_bus, "org.freedesktop.Notifications");
}

FakeDesktop::~FakeDesktop() {
    for (GDBusMethodInvocation* invocation : m_unanswered) g_object_unref(invocation);
    if (m_bus) {
        if (m_object) g_dbus_connection_unregister_object(m_bus, m_object);
        if (m_watcher) g_dbus_connection_unregister_object(m_bus, m_watcher);
        if (m_signal) g_dbus_connection_signal_unsubscribe(m_bus, m_signal);
        g_dbus_connection_close_sync(m_bus, nullptr, nullptr);
        g_object_unref(m_bus);
    }
    if (m_node) g_dbus_node_info_unref(m_node);
    if (m_watcherNode) g_dbus_node_info_unref(m_watcherNode);
    if (m_daemon > 0) kill(m_daemon, SIGTERM);
    if (m_hadAddress) {
        setenv("DBUS_SESSION_BUS_ADDRESS", m_previousAddress.c_str(), 1);
    } else {
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
}

void FakeDesktop::Choose(uint32_t id, const std::string& action) {
    if (!m_bus) return;
    g_dbus_connection_emit_signal(m_bus, nullptr, "/org/freedesktop/Notifications",
                                  "org.freedesktop.Notifications", "ActionInvoked",
                                  g_variant_new("(us)", id, action.c_str()), nullptr);
    g_dbus_connection_flush_sync(m_bus, nullptr, nullptr);
}

void FakeDesktop::OnMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                           const gchar* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer self) {
    auto* desktop = static_cast<FakeDesktop*>(self);
    if (std::strcmp(method, "GetCapabilities") == 0) {
        const gchar* capabilities[] = {"body", "body-markup", "actions", nullptr};
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", capabilities));
        return;
    }
    RecordedNotice notice;
    const gchar *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
    GVariantIter* actions = nullptr;
    GVariant* hints = nullptr;
    gint32 timeout = 0;
    g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", &app, &notice.replaces, &icon, &summary,
                  &body, &actions, &hints, &timeout);
    notice.app = app;
    notice.summary = summary;
    notice.body = body;
    const gchar* action = nullptr;
    while (g_variant_iter_next(actions, "&s", &action)) notice.actions.emplace_back(action);
    g_variant_iter_free(actions);
    g_variant_unref(hints);
    desktop->m_notices.push_back(std::move(notice));
    if (desktop->m_service == Service::kSilent) {
        // Never answered: the caller's time-out is all it gets.
        desktop->m_unanswered.push_back(invocation);
        return;
    }
    g_dbus_method_invocation_return_value(
        invocation, g_variant_new("(u)", static_cast<uint32_t>(desktop->m_notices.size())));
}

void FakeDesktop::OnWatcher(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                            const gchar* method, GVariant* parameters,
                            GDBusMethodInvocation* invocation, gpointer self) {
    auto* desktop = static_cast<FakeDesktop*>(self);
    if (std::strcmp(method, "RegisterStatusNotifierItem") == 0) {
        const gchar* item = nullptr;
        g_variant_get(parameters, "(&s)", &item);
        // An item names its object path, or its bus name with the usual path.
        desktop->m_itemSender = item[0] == '/' ? sender : item;
        desktop->m_itemPath = item[0] == '/' ? item : "/StatusNotifierItem";
        desktop->m_items.push_back(desktop->m_itemSender + desktop->m_itemPath);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* FakeDesktop::OnWatcherProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                         const gchar* name, GError**, gpointer) {
    if (std::strcmp(name, "IsStatusNotifierHostRegistered") == 0) {
        return g_variant_new_boolean(TRUE);
    }
    if (std::strcmp(name, "ProtocolVersion") == 0) return g_variant_new_int32(0);
    return g_variant_new_strv(nullptr, 0);
}

void FakeDesktop::AskTrayTitle() {
    if (!m_bus || m_itemSender.empty()) return;
    // Asked without waiting: the item answers from the window's thread, which this one is.
    g_dbus_connection_call(
        m_bus, m_itemSender.c_str(), m_itemPath.c_str(), "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", "org.kde.StatusNotifierItem", "Title"), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &FakeDesktop::OnTitle, this);
}

void FakeDesktop::OnTitle(GObject* source, GAsyncResult* result, gpointer self) {
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
    auto* desktop = static_cast<FakeDesktop*>(self);
    if (!reply) {
        desktop->m_title = "(no answer)";
        return;
    }
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    desktop->m_title = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)
                           ? g_variant_get_string(value, nullptr)
                           : "(not a text)";
    g_variant_unref(value);
    g_variant_unref(reply);
}

void FakeDesktop::OnLauncher(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                             const gchar*, GVariant* parameters, gpointer self) {
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv})"))) return;
    LauncherUpdate update;
    const gchar* app = nullptr;
    GVariant* properties = nullptr;
    g_variant_get(parameters, "(&s@a{sv})", &app, &properties);
    update.app = app;
    g_variant_lookup(properties, "count", "x", &update.count);
    g_variant_lookup(properties, "count-visible", "b", &update.visible);
    g_variant_unref(properties);
    static_cast<FakeDesktop*>(self)->m_launcher.push_back(std::move(update));
}

}  // namespace varlo::test
