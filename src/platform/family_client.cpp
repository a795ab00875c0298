#include "platform/family_client.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include <climits>

namespace {

constexpr FamilyClient::Outcome::Kind kKinds[] = {
    FamilyClient::Outcome::NotAuthorised, FamilyClient::Outcome::Refused,
    FamilyClient::Outcome::Missing, FamilyClient::Outcome::Failed};

std::string unreachable(const char* why)
{
    return std::string("The family service cannot be reached: ") + why + ".";
}

// The strings of an "as" built for a call.
GVariant* stringArray(const std::vector<std::string>& texts)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("as"));
    for (const std::string& each : texts)
        g_variant_builder_add_value(&builder, FamilyClient::text(each));
    return g_variant_builder_end(&builder);
}

} // namespace

std::string FamilyClient::errorName(Outcome::Kind kind)
{
    const char* names[] = {"", "NotAuthorised", "Refused", "Missing", "Failed", ""};
    return std::string(Interface) + ".Error." + names[kind];
}

GVariant* FamilyClient::text(const std::string& value)
{
    if (g_utf8_validate(value.data(), gssize(value.size()), nullptr))
        return g_variant_new_string(value.c_str());
    return g_variant_new_take_string(g_utf8_make_valid(value.data(), gssize(value.size())));
}

std::unique_ptr<FamilyClient> FamilyClient::connect(const std::string& socketPath, Outcome* why)
{
    Outcome outcome{Outcome::Unreachable, {}};
    GError* error = nullptr;
    GSocketClient* sockets = g_socket_client_new();
    GSocketAddress* address = g_unix_socket_address_new(socketPath.c_str());
    GSocketConnection* stream =
        g_socket_client_connect(sockets, G_SOCKET_CONNECTABLE(address), nullptr, &error);
    g_object_unref(address);
    g_object_unref(sockets);
    GDBusConnection* connection = nullptr;
    if (!stream) {
        outcome.error = unreachable(error->message);
    } else {
        connection = g_dbus_connection_new_sync(G_IO_STREAM(stream), nullptr,
                                                G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT,
                                                nullptr, nullptr, &error);
        g_object_unref(stream);
        // The service ends the authentication of an account it does not serve.
        if (!connection)
            outcome.error = "The family service does not serve this account.";
    }
    g_clear_error(&error);
    if (!connection && why)
        *why = outcome;
    return connection ? std::unique_ptr<FamilyClient>(new FamilyClient(connection)) : nullptr;
}

FamilyClient::FamilyClient(GDBusConnection* connection) : m_connection(connection)
{
    m_subscription = g_dbus_connection_signal_subscribe(
        m_connection, nullptr, Interface, "Changed", ObjectPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
           GVariant* parameters, gpointer self) {
            const gchar* name = nullptr;
            g_variant_get(parameters, "(&s)", &name);
            if (auto& changed = static_cast<FamilyClient*>(self)->m_changed)
                changed(name);
        },
        this, nullptr);
    m_closedHandler = g_signal_connect(
        m_connection, "closed", G_CALLBACK(+[](GDBusConnection*, gboolean, GError*, gpointer self) {
            if (auto& closed = static_cast<FamilyClient*>(self)->m_closed)
                closed();
        }),
        this);
}

FamilyClient::~FamilyClient()
{
    g_signal_handler_disconnect(m_connection, m_closedHandler);
    g_dbus_connection_signal_unsubscribe(m_connection, m_subscription);
    g_dbus_connection_close_sync(m_connection, nullptr, nullptr);
    g_object_unref(m_connection);
}

bool FamilyClient::isClosed() const
{
    return g_dbus_connection_is_closed(m_connection);
}

GVariant* FamilyClient::call(const char* method, GVariant* parameters, const char* replyType,
                             Outcome& outcome, int timeoutMs)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        m_connection, nullptr, ObjectPath, Interface, method, parameters, G_VARIANT_TYPE(replyType),
        G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, &error);
    if (reply)
        return reply;
    outcome.kind = Outcome::Unreachable;
    gchar* remote = g_dbus_error_get_remote_error(error);
    for (const Outcome::Kind kind : kKinds) {
        if (remote && errorName(kind) == remote)
            outcome.kind = kind;
    }
    g_free(remote);
    g_dbus_error_strip_remote_error(error);
    outcome.error =
        outcome.kind == Outcome::Unreachable ? unreachable(error->message) : error->message;
    g_error_free(error);
    return nullptr;
}

FamilyClient::Outcome FamilyClient::simple(const char* method, GVariant* parameters)
{
    Outcome outcome;
    if (GVariant* reply = call(method, parameters, "()", outcome))
        g_variant_unref(reply);
    return outcome;
}

FamilyClient::Opened FamilyClient::read(const std::string& name)
{
    Opened opened;
    GError* error = nullptr;
    GUnixFDList* fds = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        m_connection, nullptr, ObjectPath, Interface, "Read", g_variant_new("(@s)", text(name)),
        G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &fds, nullptr, &error);
    if (!reply) {
        gchar* remote = g_dbus_error_get_remote_error(error);
        const bool missing = remote && errorName(Outcome::Missing) == remote;
        g_free(remote);
        g_dbus_error_strip_remote_error(error);
        opened.exists = !missing;
        if (!missing)
            opened.error = error->message;
        g_error_free(error);
        return opened;
    }
    gint32 handle = -1;
    g_variant_get(reply, "(h)", &handle);
    g_variant_unref(reply);
    opened.exists = true;
    opened.fd = fds && handle >= 0 && handle < g_unix_fd_list_get_length(fds)
                    ? g_unix_fd_list_get(fds, handle, &error)
                    : -1;
    if (opened.fd < 0) {
        opened.error = unreachable(error ? error->message : "no file came with the answer");
        g_clear_error(&error);
    }
    if (fds)
        g_object_unref(fds);
    return opened;
}

FamilyClient::Outcome FamilyClient::settings(std::map<std::string, std::string>& values)
{
    Outcome outcome;
    values.clear();
    if (GVariant* reply = call("Settings", nullptr, "(a{ss})", outcome)) {
        GVariantIter* iter = nullptr;
        g_variant_get(reply, "(a{ss})", &iter);
        const gchar* key = nullptr;
        const gchar* value = nullptr;
        while (g_variant_iter_next(iter, "{&s&s}", &key, &value))
            values[key] = value;
        g_variant_iter_free(iter);
        g_variant_unref(reply);
    }
    return outcome;
}

FamilyClient::Outcome FamilyClient::hasPassword(bool& has)
{
    Outcome outcome;
    if (GVariant* reply = call("HasPassword", nullptr, "(b)", outcome)) {
        gboolean value = FALSE;
        g_variant_get(reply, "(b)", &value);
        has = value;
        g_variant_unref(reply);
    }
    return outcome;
}

FamilyClient::Outcome FamilyClient::authorise(const std::string& password, bool& right)
{
    Outcome outcome;
    right = false;
    // The service makes wrong passwords wait, up to a minute each.
    if (GVariant* reply =
            call("Authorise", g_variant_new("(@s)", text(password)), "(b)", outcome, G_MAXINT)) {
        gboolean value = FALSE;
        g_variant_get(reply, "(b)", &value);
        right = value;
        g_variant_unref(reply);
    }
    return outcome;
}

FamilyClient::Outcome FamilyClient::deauthorise()
{
    return simple("Deauthorise", nullptr);
}

FamilyClient::Outcome FamilyClient::replace(const std::string& name, const std::string& bytes)
{
    GVariant* data = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes.data(), bytes.size(), 1);
    return simple("Replace", g_variant_new("(@s@ay)", text(name), data));
}

FamilyClient::Outcome FamilyClient::setSetting(const std::string& key, const std::string& value)
{
    return simple("SetSetting", g_variant_new("(@s@s)", text(key), text(value)));
}

FamilyClient::Outcome FamilyClient::setPassword(const std::string& password)
{
    return simple("SetPassword", g_variant_new("(@s)", text(password)));
}

FamilyClient::Outcome FamilyClient::begin()
{
    return simple("Begin", nullptr);
}

FamilyClient::Outcome FamilyClient::allowed(const std::string& address)
{
    // Every navigation waits for this, so the address is handed to the
    // connection's own thread, which writes it at once, and the navigation
    // goes on: a wait for the socket or the service would cost each page a
    // third of a millisecond. Messages keep their order on the connection,
    // so the session's later records follow it.
    GDBusMessage* message = g_dbus_message_new_method_call(nullptr, ObjectPath, Interface, "Allowed");
    g_dbus_message_set_body(message, g_variant_new("(@s)", text(address)));
    g_dbus_message_set_flags(message, G_DBUS_MESSAGE_FLAGS_NO_REPLY_EXPECTED);
    GError* error = nullptr;
    const bool sent = g_dbus_connection_send_message(m_connection, message, G_DBUS_SEND_MESSAGE_FLAGS_NONE,
                                                     nullptr, &error);
    g_object_unref(message);
    if (sent)
        return {};
    Outcome outcome{Outcome::Unreachable, unreachable(error->message)};
    g_error_free(error);
    return outcome;
}

FamilyClient::Outcome FamilyClient::start(const std::string& dateTime)
{
    return simple("Start", g_variant_new("(@s)", text(dateTime)));
}

FamilyClient::Outcome FamilyClient::end(const std::vector<std::string>& history,
                                        const std::string& dateTime, int quitPath)
{
    return simple("End", g_variant_new("(@as@si)", stringArray(history), text(dateTime), quitPath));
}

FamilyClient::Outcome FamilyClient::quit()
{
    return simple("Quit", nullptr);
}

FamilyClient::Outcome FamilyClient::notice(std::string& text, bool& error)
{
    Outcome outcome;
    if (GVariant* reply = call("Notice", nullptr, "(sb)", outcome)) {
        const gchar* said = nullptr;
        gboolean isError = FALSE;
        g_variant_get(reply, "(&sb)", &said, &isError);
        text = said;
        error = isError;
        g_variant_unref(reply);
    }
    return outcome;
}
