#include "shell/family.h"

#include "favorites/favorites_page.h"
#include "password/stored_password.h"
#include "platform/family_client.h"
#include "surflog/session_log.h"

#include <glib.h>
#include <glibmm/miscutils.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace Family {
namespace {

std::string sentence(const FamilyClient::Outcome& outcome)
{
    if (outcome.kind == FamilyClient::Outcome::NotAuthorised)
        return "The family service keeps this setting: it takes changes only after the parent's "
               "password.";
    if (!outcome.error.empty())
        return outcome.error;
    return "The family service did not take the change.";
}

// The lists and the schedule below one folder of the session, kept by the
// service under "files/..." or "buffer/...".
class Files final : public TextFile::FileKeeper
{
public:
    Files(std::shared_ptr<FamilyClient> client, std::string folder)
        : m_client(std::move(client)), m_folder(std::move(folder))
    {
    }

    TextFile::ReadStatus readWith(const std::string& name,
                                  const std::function<void(TextFile::FileReader& file)>& read) override
    {
        const FamilyClient::Opened opened = m_client->read(m_folder + name);
        TextFile::ReadStatus status{opened.exists, opened.error};
        if (opened.fd < 0)
            return status;
        struct stat info{};
        const std::uint64_t size = ::fstat(opened.fd, &info) == 0 ? std::uint64_t(info.st_size) : 0;
        TextFile::FileReader file(opened.fd, size);
        read(file);
        ::close(opened.fd);
        if (file.error() && status.error.empty())
            status.error = "The family service's copy of \"" + m_folder + name +
                           "\" could not be read: " + g_strerror(file.error()) + ".";
        return status;
    }

    TextFile::WriteResult writeBytes(const std::string& name, std::string_view bytes) override
    {
        const FamilyClient::Outcome done = m_client->replace(m_folder + name, std::string(bytes));
        if (done.ok())
            return {};
        return {sentence(done)};
    }

private:
    std::shared_ptr<FamilyClient> m_client;
    std::string m_folder;
};

// The session's records, which the service writes into the account's log;
// it also ends the session in the log if this connection ends first.
class Records final : public SurfRecords
{
public:
    explicit Records(std::shared_ptr<FamilyClient> client) : m_client(std::move(client)) {}

    void begin() override { keep(m_client->begin()); }
    void addressAllowed(const std::string& address) override { keep(m_client->allowed(address)); }
    void writeStart(const std::string& dateTime) override { keep(m_client->start(dateTime)); }
    void writeEnd(const std::vector<std::string>& history, const std::string& dateTime,
                  SurfLog::QuitPath path) override
    {
        keep(m_client->end(history, dateTime, int(path)));
    }
    void quitConfirmed() override { keep(m_client->quit()); }
    Notice takeNotice() override
    {
        Notice notice;
        if (!m_lost.empty()) {
            notice = {m_lost, true};
            m_lost.clear();
            return notice;
        }
        (void)m_client->notice(notice.text, notice.error);
        return notice;
    }

private:
    // A record the service never got is not in the log: the parent hears so
    // when the panel next shows the log, and never that it is kept.
    void keep(const FamilyClient::Outcome& outcome)
    {
        if (!outcome.ok() && m_lost.empty())
            m_lost = "The family service could not be reached, so records of this session are "
                     "missing from the surf log: " +
                     sentence(outcome);
    }

    std::shared_ptr<FamilyClient> m_client;
    std::string m_lost;
};

// The password is checked by the service; a right one lets this connection
// change the rules until the panel closes.
class Password final : public PasswordKeeper
{
public:
    explicit Password(std::shared_ptr<FamilyClient> client) : m_client(std::move(client)) {}

    bool isUnset() const override
    {
        bool has = true;
        // A service that cannot answer is no reason to offer a first password.
        return m_client->hasPassword(has).ok() && !has;
    }
    bool check(const std::string& typed) override
    {
        bool right = false;
        return m_client->authorise(typed, right).ok() && right;
    }
    bool store(const std::string& password, std::string* error) override
    {
        const FamilyClient::Outcome done = m_client->setPassword(password);
        if (!done.ok() && error)
            *error = done.kind == FamilyClient::Outcome::NotAuthorised
                         ? "The parent's password for this account is chosen with the family "
                           "set-up command."
                         : sentence(done);
        return done.ok();
    }
    void close() override { (void)m_client->deauthorise(); }

private:
    std::shared_ptr<FamilyClient> m_client;
};

// Copies the installation's pages into the session's own folder, which the
// page view is then allowed to show: the favorites page, written from the
// service's list, cannot go beside the program where a child may not write.
bool copyPages(const std::filesystem::path& from, const std::filesystem::path& to, std::string* why)
{
    std::error_code error;
    std::filesystem::create_directories(to, error);
    // Fresh from the installation at every start: a second browser of the
    // account may be showing them, so they are overwritten, never removed.
    if (!error)
        std::filesystem::copy(from, to,
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing,
                              error);
    if (error)
        *why = "The pages of the installation could not be copied to \"" + to.string() +
               "\": " + error.message() + ".";
    return !error;
}

} // namespace

std::optional<std::string> socketOf(const AppPaths& installation)
{
    const std::filesystem::path conf = installation.file("/family.conf");
    // Only a file that is surely not there leaves the set-up: one that cannot
    // be looked at counts as there.
    std::error_code error;
    if (std::filesystem::symlink_status(conf, error).type() == std::filesystem::file_type::not_found)
        return std::nullopt;
    std::string socket = FamilyClient::SocketPath;
    GKeyFile* file = g_key_file_new();
    if (g_key_file_load_from_file(file, conf.c_str(), G_KEY_FILE_NONE, nullptr)) {
        if (gchar* named = g_key_file_get_string(file, "Family", "socket", nullptr)) {
            if (*named)
                socket = named;
            g_free(named);
        }
    }
    g_key_file_free(file);
    return socket;
}

Settings::Settings(std::shared_ptr<FamilyClient> client)
    : SettingsStore(std::filesystem::path()), m_client(std::move(client))
{
}

std::string Settings::read(const std::string& key, const std::string& defaultValue) const
{
    if (!m_values) {
        std::map<std::string, std::string> values;
        // Not kept when the service cannot answer: the next read asks again.
        if (!m_client->settings(values).ok())
            return defaultValue;
        m_values.emplace();
        for (auto& [name, value] : values)
            m_values->emplace(SettingsStore::keyAsWritten(name), std::move(value));
    }
    const auto found = m_values->find(SettingsStore::keyAsWritten(key));
    return found != m_values->end() ? found->second : defaultValue;
}

bool Settings::write(const std::string& key, const std::string& value, std::string* error)
{
    const FamilyClient::Outcome done = m_client->setSetting(key, value);
    forget();
    if (!done.ok() && error)
        *error = sentence(done);
    return done.ok();
}

Session::Session(std::shared_ptr<FamilyClient> client, AppPaths paths)
    : m_client(std::move(client)), m_paths(std::move(paths)), m_settings(m_client)
{
    TextFile::mount(m_paths.file("/files"), std::make_shared<Files>(m_client, "files/"));
    TextFile::mount(m_paths.file("/buffer"), std::make_shared<Files>(m_client, "buffer/"));
    m_client->onChanged([this](const std::string& name) {
        if (name == "settings")
            m_settings.forget();
    });
}

Session::~Session()
{
    TextFile::mount(m_paths.file("/files"), nullptr);
    TextFile::mount(m_paths.file("/buffer"), nullptr);
}

std::unique_ptr<Session> Session::open(const std::string& socket, const AppPaths& installation,
                                       std::string* why)
{
    FamilyClient::Outcome outcome;
    std::shared_ptr<FamilyClient> client = FamilyClient::connect(socket, &outcome);
    if (!client) {
        *why = "Tobrin cannot reach the family service, which keeps the rules of this account (" +
               outcome.error +
               "). Nothing can be shown until it runs again: please ask your parents.";
        return nullptr;
    }
    // Below the runtime folder: the account's alone, and gone at log-out. One
    // name for every run, so that the pages keep their addresses in the log.
    const std::string folder = (std::filesystem::path(Glib::get_user_runtime_dir()) / "tobrin").string();
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
        *why = "Tobrin could not make a folder of its own in \"" + Glib::get_user_runtime_dir() +
               "\": " + g_strerror(errno) + ".";
        return nullptr;
    }
    const AppPaths paths(folder);
    if (!copyPages(installation.file(AppPaths::PagesFolder), paths.file(AppPaths::PagesFolder), why))
        return nullptr;
    for (const std::string_view data : {"/files", "/buffer"})
        std::filesystem::create_directories(paths.file(data));
    return std::unique_ptr<Session>(new Session(std::move(client), paths));
}

std::unique_ptr<SurfRecords> Session::records() const
{
    return std::make_unique<Records>(m_client);
}

std::shared_ptr<PasswordKeeper> Session::password() const
{
    return std::make_shared<Password>(m_client);
}

void Session::onLost(std::function<void()> lost)
{
    m_client->onClosed(std::move(lost));
}

} // namespace Family
