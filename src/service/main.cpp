#include "password/stored_password.h"
#include "platform/family_client.h"
#include "service/account.h"
#include "service/family_service.h"

#include <glib-unix.h>
#include <glib.h>
#include <glibmm/init.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The set-up runs this as root: what it makes goes to the account that owns
// the state folder, the service's own, so the service can rewrite it.
void giveToStateOwner(const std::filesystem::path& state, const std::filesystem::path& folder)
{
    struct stat owner;
    if (::geteuid() != 0 || ::stat(state.c_str(), &owner) != 0 || owner.st_uid == 0)
        return;
    [[maybe_unused]] int ignored = ::lchown(folder.c_str(), owner.st_uid, owner.st_gid);
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error))
        ignored = ::lchown(it->path().c_str(), owner.st_uid, owner.st_gid);
}

int setPassword(const std::filesystem::path& state, const std::string& name)
{
    if (!Account::validName(name)) {
        std::cerr << "tobrin-family: \"" << name << "\" is not an account name\n";
        return 2;
    }
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    Account account(state, name);
    std::string problem = account.problem();
    const std::optional<CodePage> page = problem.empty() ? account.page(&problem) : std::nullopt;
    if (page)
        problem = StoredPassword::refusal(password, *page);
    if (page && problem.empty())
        (void)StoredPassword::store(account.settings(), password, *page, &problem);
    giveToStateOwner(state, account.folder());
    if (!problem.empty()) {
        std::cerr << "tobrin-family: " << problem << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Glib::init();
    gchar* state = nullptr;
    gchar* socket = nullptr;
    gchar* children = nullptr;
    gchar* account = nullptr;
    const GOptionEntry entries[] = {
        {"state", 0, 0, G_OPTION_ARG_FILENAME, &state, "The folder of the accounts' files", "DIR"},
        {"socket", 0, 0, G_OPTION_ARG_FILENAME, &socket, "The socket to serve on", "PATH"},
        {"children", 0, 0, G_OPTION_ARG_FILENAME, &children, "The file naming the accounts served",
         "FILE"},
        {"set-password", 0, 0, G_OPTION_ARG_STRING, &account,
         "Store the password on standard input for ACCOUNT, then end", "ACCOUNT"},
        {}};
    GOptionContext* context =
        g_option_context_new("- keeps children's browser rules and surf logs");
    g_option_context_add_main_entries(context, entries, nullptr);
    GError* error = nullptr;
    if (!g_option_context_parse(context, &argc, &argv, &error)) {
        std::cerr << "tobrin-family: " << error->message << "\n";
        return 2;
    }
    g_option_context_free(context);
    if (argc > 1) {
        std::cerr << "tobrin-family: unexpected \"" << argv[1] << "\"; see --help\n";
        return 2;
    }
    const std::filesystem::path stateFolder = state ? state : "/var/lib/tobrin-family";
    const std::string socketPath = socket ? socket : FamilyClient::SocketPath;
    const std::filesystem::path childrenFile = children ? children : "/etc/tobrin-family/children";
    const bool settingPassword = account != nullptr;
    const std::string name = account ? account : "";
    for (gchar* option : {state, socket, children, account})
        g_free(option);

    std::error_code ignored;
    if (!std::filesystem::exists(stateFolder, ignored) && ::mkdir(stateFolder.c_str(), 0700) != 0) {
        std::cerr << "tobrin-family: the folder \"" << stateFolder.string()
                  << "\" could not be made\n";
        return 1;
    }
    if (settingPassword)
        return setPassword(stateFolder, name);

    // Started by the socket unit, the socket is ours already, as fd 3.
    const char* pid = std::getenv("LISTEN_PID");
    const char* fds = std::getenv("LISTEN_FDS");
    const bool activated =
        pid && fds && std::string(fds) == "1" && std::to_string(::getpid()) == pid;
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_FDNAMES");

    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    for (const int signal : {SIGTERM, SIGINT})
        g_unix_signal_add(
            signal,
            [](gpointer loop) {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            loop);
    int status = 0;
    {
        FamilyService service(stateFolder, childrenFile);
        std::string why;
        if (service.listen(socketPath, activated, &why)) {
            service.settleListed();
            g_main_loop_run(loop);
        } else {
            std::cerr << "tobrin-family: " << why << "\n";
            status = 1;
        }
    }
    g_main_loop_unref(loop);
    return status;
}
