#pragma once

#include "platform/settings_store.h"
#include "platform/text_file.h"
#include "shell/app_paths.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

class FamilyClient;
class PasswordKeeper;
class SurfRecords;

// The family set-up: a service of its own keeps a child account's lists,
// schedule, settings, password and surf log, where the child cannot change
// them. An installation is in it when its folder holds family.conf (the
// set-up command writes it as root); nothing the child sets can say
// otherwise. Without it, the files beside the program serve, as ever.
namespace Family {

// The socket named by family.conf in the installation folder, or none when
// the installation is not in the family set-up. An unreadable family.conf
// still puts it in (with the usual socket), so that a broken set-up never
// opens the way to the child's own files.
std::optional<std::string> socketOf(const AppPaths& installation);

// The settings as the service keeps them: the password never among them.
// Kept here until they change, whoever changes them, so that a navigation
// that reads a switch costs no call.
class Settings final : public SettingsStore
{
public:
    explicit Settings(std::shared_ptr<FamilyClient> client);
    std::string read(const std::string& key, const std::string& defaultValue) const override;
    bool write(const std::string& key, const std::string& value, std::string* error) override;
    // The service said they changed.
    void forget() { m_values.reset(); }

private:
    std::shared_ptr<FamilyClient> m_client;
    mutable std::optional<std::map<std::string, std::string>> m_values; // keys in lower case
};

// The running browser's tie to the service: the files of folder/files and
// folder/buffer read and written through it, and the log and the password
// kept by it.
class Session
{
public:
    // Null, with a sentence for the parent in why, when the service cannot be
    // reached or does not serve this account.
    static std::unique_ptr<Session> open(const std::string& socket, const AppPaths& installation,
                                         std::string* why);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // A folder of this session's own: the installation's pages, and the
    // files and buffer folders, which are the service's.
    const AppPaths& paths() const { return m_paths; }
    SettingsStore& settings() { return m_settings; }
    std::unique_ptr<SurfRecords> records() const;
    std::shared_ptr<PasswordKeeper> password() const;
    // Called once, on the main loop, when the service goes away.
    void onLost(std::function<void()> lost);

private:
    Session(std::shared_ptr<FamilyClient> client, AppPaths paths);

    std::shared_ptr<FamilyClient> m_client;
    AppPaths m_paths;
    Settings m_settings;
};

} // namespace Family
