#include "service/family_service.h"

#include "password/stored_password.h"
#include "platform/family_client.h"
#include "platform/settings_store.h"
#include "platform/text_file.h"
#include "service/account.h"
#include "surflog/session_log.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned kSettleSeconds = 60;

constexpr const char* kInterfaceXml = R"(<node>
  <interface name='org.corvane.Tobrin.Family1'>
    <method name='Read'><arg name='name' type='s'/><arg name='file' type='h' direction='out'/></method>
    <method name='Settings'><arg name='values' type='a{ss}' direction='out'/></method>
    <method name='HasPassword'><arg name='has' type='b' direction='out'/></method>
    <method name='Begin'/>
    <method name='Allowed'><arg name='address' type='s'/></method>
    <method name='Start'><arg name='dateTime' type='s'/></method>
    <method name='End'><arg name='history' type='as'/><arg name='dateTime' type='s'/>
      <arg name='quitPath' type='i'/></method>
    <method name='Quit'/>
    <method name='Notice'><arg name='text' type='s' direction='out'/><arg name='error' type='b' direction='out'/></method>
    <method name='Authorise'><arg name='password' type='s'/><arg name='right' type='b' direction='out'/></method>
    <method name='Deauthorise'/>
    <method name='Replace'><arg name='name' type='s'/><arg name='bytes' type='ay'/></method>
    <method name='SetSetting'><arg name='key' type='s'/><arg name='value' type='s'/></method>
    <method name='SetPassword'><arg name='password' type='s'/></method>
    <signal name='Changed'><arg name='name' type='s'/></signal>
  </interface>
</node>)";

void fail(GDBusMethodInvocation* invocation, FamilyClient::Outcome::Kind kind,
          const std::string& sentence)
{
    g_dbus_method_invocation_return_dbus_error(invocation, FamilyClient::errorName(kind).c_str(),
                                               sentence.c_str());
}

void done(GDBusMethodInvocation* invocation)
{
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

std::string argument(GVariant* parameters, std::size_t index)
{
    GVariant* value = g_variant_get_child_value(parameters, index);
    std::string text = g_variant_get_string(value, nullptr);
    g_variant_unref(value);
    return text;
}

} // namespace

struct FamilyService::Served
{
    Served(FamilyService* service, Account store) : service(service), store(std::move(store)) {}

    struct Question
    {
        Peer* peer; // null once its connection closed
        GDBusMethodInvocation* invocation;
        std::string password;
    };

    FamilyService* service;
    Account store;
    std::vector<Peer*> peers;
    std::deque<Question> questions; // Authorise calls, answered one at a time
    guint answerTimer = 0;
    // Holds the journals of this account's sessions that are over until
    // their records are in the log.
    std::unique_ptr<SessionLog> settler;
    guint settleTimer = 0;
};

struct FamilyService::Peer
{
    FamilyService* service = nullptr;
    GDBusConnection* connection = nullptr;
    Served* account = nullptr;
    guint registration = 0;
    gulong closedHandler = 0;
    bool authorised = false;
    std::unique_ptr<SessionLog> log;
};

FamilyService::FamilyService(std::filesystem::path stateFolder, std::filesystem::path childrenFile)
    : m_state(std::move(stateFolder)), m_children(std::move(childrenFile))
{
}

FamilyService::~FamilyService()
{
    while (!m_peers.empty())
        drop(m_peers.begin()->second.get());
    for (auto& [name, account] : m_accounts) {
        if (account->answerTimer)
            g_source_remove(account->answerTimer);
        if (account->settleTimer)
            g_source_remove(account->settleTimer);
    }
    if (m_listener) {
        g_socket_service_stop(m_listener);
        g_object_unref(m_listener);
    }
}

std::string FamilyService::servedAccount(const std::filesystem::path& childrenFile, unsigned uid)
{
    // Called on GDBus's own thread as well: nothing here is shared.
    struct passwd entry;
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(uid_t(uid), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    const std::string name = found->pw_name;
    // Read afresh for every connection: the set-up may have changed it.
    for (std::string line : TextFile::splitLines(TextFile::readBytes(childrenFile).bytes)) {
        line = line.substr(0, line.find('#'));
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos)
            continue;
        line = line.substr(first, line.find_last_not_of(" \t") + 1 - first);
        if (line == name && Account::validName(name))
            return name;
    }
    return {};
}

bool FamilyService::listen(const std::string& path, bool activated, std::string* error)
{
    GError* failure = nullptr;
    GSocket* socket = nullptr;
    if (activated) {
        socket = g_socket_new_from_fd(3, &failure);
    } else {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
        GSocketAddress* address = g_unix_socket_address_new(path.c_str());
        socket = g_socket_new(G_SOCKET_FAMILY_UNIX, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_DEFAULT,
                              &failure);
        struct stat info;
        if (socket && ::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
            // One that answers belongs to a service still running; else it
            // was left by one that ended.
            GSocket* probe = g_socket_new(G_SOCKET_FAMILY_UNIX, G_SOCKET_TYPE_STREAM,
                                          G_SOCKET_PROTOCOL_DEFAULT, nullptr);
            const bool answered = probe && g_socket_connect(probe, address, nullptr, nullptr);
            g_clear_object(&probe);
            if (answered) {
                *error = "Another family service is serving on \"" + path + "\".";
                g_object_unref(address);
                g_object_unref(socket);
                return false;
            }
            ::unlink(path.c_str());
        }
        if (socket && (!g_socket_bind(socket, address, FALSE, &failure) ||
                       !g_socket_listen(socket, &failure)))
            g_clear_object(&socket);
        g_object_unref(address);
        // Every account may connect; the credentials decide what it gets.
        if (socket)
            ::chmod(path.c_str(), 0666);
    }
    m_listener = g_socket_service_new();
    if (socket &&
        !g_socket_listener_add_socket(G_SOCKET_LISTENER(m_listener), socket, nullptr, &failure))
        g_clear_object(&socket);
    if (!socket) {
        *error = "The socket \"" + path + "\" could not be opened: " + failure->message + ".";
        g_error_free(failure);
        return false;
    }
    g_object_unref(socket);
    g_signal_connect(
        m_listener, "incoming",
        G_CALLBACK(+[](GSocketService*, GSocketConnection* stream, GObject*, gpointer self) {
            static_cast<FamilyService*>(self)->authenticate(stream);
            return TRUE;
        }),
        this);
    g_socket_service_start(m_listener);
    return true;
}

void FamilyService::authenticate(GSocketConnection* stream)
{
    GDBusAuthObserver* observer = g_dbus_auth_observer_new();
    // The kernel's word for who connects, never the peer's own.
    g_signal_connect(observer, "allow-mechanism",
                     G_CALLBACK(+[](GDBusAuthObserver*, const gchar* mechanism, gpointer) {
                         return gboolean(std::strcmp(mechanism, "EXTERNAL") == 0);
                     }),
                     nullptr);
    // Runs on GDBus's own thread; an account not served never gets a connection.
    g_signal_connect(
        observer, "authorize-authenticated-peer",
        G_CALLBACK(
            +[](GDBusAuthObserver*, GIOStream*, GCredentials* credentials, gpointer children) {
                return gboolean(credentials &&
                                !servedAccount(*static_cast<std::filesystem::path*>(children),
                                               g_credentials_get_unix_user(credentials, nullptr))
                                     .empty());
            }),
        &m_children);
    gchar* guid = g_dbus_generate_guid();
    g_dbus_connection_new(
        G_IO_STREAM(stream), guid,
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_SERVER |
                             G_DBUS_CONNECTION_FLAGS_DELAY_MESSAGE_PROCESSING),
        observer, nullptr,
        [](GObject*, GAsyncResult* result, gpointer self) {
            if (GDBusConnection* connection = g_dbus_connection_new_finish(result, nullptr))
                static_cast<FamilyService*>(self)->accept(connection);
        },
        this);
    g_free(guid);
    g_object_unref(observer);
}

void FamilyService::accept(GDBusConnection* connection)
{
    GCredentials* credentials = g_dbus_connection_get_peer_credentials(connection);
    const std::string name =
        credentials ? servedAccount(m_children, g_credentials_get_unix_user(credentials, nullptr))
                    : std::string();
    Served* account = name.empty() ? nullptr : served(name);
    if (!account) {
        g_dbus_connection_close(connection, nullptr, nullptr, nullptr);
        g_object_unref(connection);
        return;
    }
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterfaceXml, nullptr);
    static const GDBusInterfaceVTable table = {
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
           GVariant* parameters, GDBusMethodInvocation* invocation, gpointer peer) {
            static_cast<Peer*>(peer)->service->call(*static_cast<Peer*>(peer), method, parameters,
                                                    invocation);
        },
        nullptr,
        nullptr,
        {}};
    auto peer = std::make_unique<Peer>();
    peer->service = this;
    peer->connection = connection;
    peer->account = account;
    peer->registration =
        g_dbus_connection_register_object(connection, FamilyClient::ObjectPath, node->interfaces[0],
                                          &table, peer.get(), nullptr, nullptr);
    peer->closedHandler = g_signal_connect(
        connection, "closed", G_CALLBACK(+[](GDBusConnection*, gboolean, GError*, gpointer peer) {
            static_cast<Peer*>(peer)->service->drop(static_cast<Peer*>(peer));
        }),
        peer.get());
    account->peers.push_back(peer.get());
    m_peers[connection] = std::move(peer);
    g_dbus_connection_start_message_processing(connection);
}

void FamilyService::drop(Peer* peer)
{
    Served& account = *peer->account;
    g_signal_handler_disconnect(peer->connection, peer->closedHandler);
    g_dbus_connection_unregister_object(peer->connection, peer->registration);
    std::erase(account.peers, peer);
    for (Served::Question& question : account.questions) {
        if (question.peer == peer)
            question.peer = nullptr;
    }
    if (peer->log) {
        // Seen until now: the end record of an abnormal end names this time.
        peer->log->heartbeat();
        peer->log.reset(); // its journal is no longer held
        settle(account);
    }
    g_dbus_connection_close(peer->connection, nullptr, nullptr, nullptr);
    GDBusConnection* connection = peer->connection;
    m_peers.erase(connection);
    g_object_unref(connection);
}

FamilyService::Served* FamilyService::served(const std::string& name)
{
    auto& account = m_accounts[name];
    if (!account)
        account = std::make_unique<Served>(this, Account(m_state, name));
    return account.get();
}

void FamilyService::settleListed()
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(m_state, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        struct passwd* entry = ::getpwnam(name.c_str());
        if (entry && servedAccount(m_children, entry->pw_uid) == name)
            settle(*served(name));
    }
}

void FamilyService::settle(Served& account)
{
    if (!account.settler) {
        std::string problem;
        const std::optional<CodePage> page = account.store.page(&problem);
        if (!page)
            return; // records in the wrong letters would be worse than late ones
        account.settler = std::make_unique<SessionLog>(account.store.logFile(), m_clock, *page);
    }
    account.settler->settle();
    // What a full disk keeps waits for room; the sessions still running try
    // on every record of theirs as well.
    if (account.settler->owes() && !account.settleTimer) {
        account.settleTimer = g_timeout_add_seconds(
            kSettleSeconds,
            [](gpointer data) -> gboolean {
                auto* served = static_cast<Served*>(data);
                served->settler->settle();
                if (served->settler->owes())
                    return G_SOURCE_CONTINUE;
                served->settleTimer = 0;
                return G_SOURCE_REMOVE;
            },
            &account);
    }
}

void FamilyService::changed(Served& account, const std::string& name)
{
    for (Peer* peer : account.peers)
        g_dbus_connection_emit_signal(peer->connection, nullptr, FamilyClient::ObjectPath,
                                      FamilyClient::Interface, "Changed",
                                      g_variant_new("(s)", name.c_str()), nullptr);
}

void FamilyService::call(Peer& peer, const std::string& method, GVariant* parameters,
                         GDBusMethodInvocation* invocation)
{
    Account& store = peer.account->store;
    if (method == "Read") {
        const std::string name = argument(parameters, 0);
        const std::optional<std::filesystem::path> path = store.file(name);
        if (!path)
            return fail(invocation, FamilyClient::Outcome::Refused,
                        "\"" + name + "\" is not a file of the service.");
        const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT)
            return fail(invocation, FamilyClient::Outcome::Missing,
                        "\"" + name + "\" does not exist yet.");
        if (fd < 0)
            return fail(invocation, FamilyClient::Outcome::Failed,
                        TextFile::readWith(*path, [](TextFile::FileReader&) {}).error);
        GUnixFDList* fds = g_unix_fd_list_new_from_array(&fd, 1); // takes it
        g_dbus_method_invocation_return_value_with_unix_fd_list(invocation, g_variant_new("(h)", 0),
                                                                fds);
        g_object_unref(fds);
    } else if (method == "Settings") {
        GVariantBuilder values;
        g_variant_builder_init(&values, G_VARIANT_TYPE("a{ss}"));
        for (const auto& [key, value] : store.settings().values()) {
            if (key != SettingsStore::keyAsWritten("Password"))
                g_variant_builder_add_value(
                    &values,
                    g_variant_new_dict_entry(FamilyClient::text(key), FamilyClient::text(value)));
        }
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(a{ss})", &values));
    } else if (method == "HasPassword") {
        g_dbus_method_invocation_return_value(
            invocation, g_variant_new("(b)", !StoredPassword::isUnset(store.settings())));
    } else if (method == "Authorise") {
        peer.account->questions.push_back({&peer, invocation, argument(parameters, 0)});
        answerQuestions(*peer.account);
    } else if (method == "Deauthorise") {
        peer.authorised = false;
        done(invocation);
    } else if (method == "Replace" || method == "SetSetting" || method == "SetPassword") {
        change(peer, method, parameters, invocation);
    } else {
        logCall(peer, method, parameters, invocation);
    }
}

void FamilyService::answerQuestions(Served& account)
{
    while (!account.answerTimer && !account.questions.empty()) {
        const Served::Question question = account.questions.front();
        if (!question.peer) {
            account.questions.pop_front();
            fail(question.invocation, FamilyClient::Outcome::Refused, "The connection closed.");
            continue;
        }
        const std::int64_t now = g_get_real_time();
        const std::int64_t at = account.store.answerAt();
        if (at > now) {
            account.answerTimer = g_timeout_add(
                guint((at - now + 999) / 1000),
                [](gpointer data) -> gboolean {
                    auto* served = static_cast<Served*>(data);
                    served->answerTimer = 0;
                    served->service->answerQuestions(*served);
                    return G_SOURCE_REMOVE;
                },
                &account);
            return;
        }
        account.questions.pop_front();
        std::string problem;
        const std::optional<CodePage> page = account.store.page(&problem);
        if (!page) {
            fail(question.invocation, FamilyClient::Outcome::Failed, problem);
            continue;
        }
        // No stored password is never a right one: the set-up command sets
        // the first, not whoever asks first.
        const SettingsStore& settings = account.store.settings();
        const bool right = !StoredPassword::isUnset(settings) &&
                           StoredPassword::matches(
                               question.password, StoredPassword::expected(settings, *page), *page);
        account.store.countAnswer(right, now);
        if (right)
            question.peer->authorised = true;
        g_dbus_method_invocation_return_value(question.invocation,
                                              g_variant_new("(b)", gboolean(right)));
    }
}

void FamilyService::change(Peer& peer, const std::string& method, GVariant* parameters,
                           GDBusMethodInvocation* invocation)
{
    if (!peer.authorised)
        return fail(invocation, FamilyClient::Outcome::NotAuthorised,
                    "This change needs the parent's password first.");
    Account& store = peer.account->store;
    if (method == "Replace") {
        const std::string name = argument(parameters, 0);
        const std::optional<std::filesystem::path> path = store.file(name);
        // The code page is changed only with every file converted at once.
        if (!path || name == "files/codepage.txt")
            return fail(invocation, FamilyClient::Outcome::Refused,
                        "\"" + name + "\" cannot be replaced.");
        GVariant* bytes = g_variant_get_child_value(parameters, 1);
        gsize size = 0;
        const char* data = static_cast<const char*>(g_variant_get_fixed_array(bytes, &size, 1));
        const TextFile::WriteResult written =
            TextFile::writeBytes(*path, std::string_view(data, size));
        g_variant_unref(bytes);
        if (!written.ok())
            return fail(invocation, FamilyClient::Outcome::Failed, written.error);
        done(invocation);
        return changed(*peer.account, name);
    }
    std::string error;
    if (method == "SetSetting") {
        const std::string key = argument(parameters, 0);
        if (SettingsStore::keyAsWritten(key) == SettingsStore::keyAsWritten("Password"))
            return fail(invocation, FamilyClient::Outcome::Refused,
                        "The password is set with SetPassword.");
        if (!store.settings().write(key, argument(parameters, 1), &error))
            return fail(invocation, FamilyClient::Outcome::Failed, error);
    } else {
        const std::string password = argument(parameters, 0);
        const std::optional<CodePage> page = store.page(&error);
        if (!page)
            return fail(invocation, FamilyClient::Outcome::Failed, error);
        if (const std::string refusal = StoredPassword::refusal(password, *page); !refusal.empty())
            return fail(invocation, FamilyClient::Outcome::Refused, refusal);
        if (!StoredPassword::store(store.settings(), password, *page, &error))
            return fail(invocation, FamilyClient::Outcome::Failed, error);
    }
    done(invocation);
    changed(*peer.account, "settings");
}

void FamilyService::logCall(Peer& peer, const std::string& method, GVariant* parameters,
                            GDBusMethodInvocation* invocation)
{
    if (!peer.log) {
        std::string problem;
        const std::optional<CodePage> page = peer.account->store.page(&problem);
        if (!page)
            return fail(invocation, FamilyClient::Outcome::Failed, problem);
        // Sessions that are over go first, so the log keeps their order.
        settle(*peer.account);
        peer.log = std::make_unique<SessionLog>(peer.account->store.logFile(), m_clock, *page);
        peer.log->begin();
    }
    if (method == "Allowed") {
        peer.log->addressAllowed(argument(parameters, 0));
    } else if (method == "Start") {
        peer.log->writeStart(argument(parameters, 0));
    } else if (method == "End") {
        GVariant* list = g_variant_get_child_value(parameters, 0);
        std::vector<std::string> history;
        for (gsize i = 0; i < g_variant_n_children(list); ++i)
            history.push_back(argument(list, i));
        g_variant_unref(list);
        gint32 path = 0;
        g_variant_get_child(parameters, 2, "i", &path);
        if (path != 0 && path != 1)
            return fail(invocation, FamilyClient::Outcome::Refused, "The quit path is 0 or 1.");
        peer.log->writeEnd(history, argument(parameters, 1),
                           path == 0 ? SurfLog::QuitPath::WindowClose
                                     : SurfLog::QuitPath::QuitButton);
    } else if (method == "Quit") {
        peer.log->quitConfirmed();
    } else if (method == "Notice") {
        const SessionLog::Notice notice = peer.log->takeNotice();
        return g_dbus_method_invocation_return_value(
            invocation,
            g_variant_new("(@sb)", FamilyClient::text(notice.text), gboolean(notice.error)));
    }
    done(invocation);
}
