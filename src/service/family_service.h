#pragma once

#include "platform/clock.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GSocketConnection GSocketConnection;
typedef struct _GSocketService GSocketService;
typedef struct _GVariant GVariant;

// The family service: peer-to-peer D-Bus on a Unix socket, each connection
// serving the child account its peer's uid belongs to, when the children
// file lists it. It keeps each account's files, settings and password, the
// waits after wrong passwords, and the surf log of every session.
class FamilyService
{
public:
    FamilyService(std::filesystem::path stateFolder, std::filesystem::path childrenFile);
    ~FamilyService();
    FamilyService(const FamilyService&) = delete;
    FamilyService& operator=(const FamilyService&) = delete;

    // Serves on the socket systemd handed over as fd 3 when activated is
    // true, else on one made at path (mode 0666, replacing a stale one).
    bool listen(const std::string& path, bool activated, std::string* error);
    // Writes what sessions that ended while the service was down still owe
    // the surf logs of the accounts listed.
    void settleListed();

    // The account the children file serves for uid, or an empty text.
    static std::string servedAccount(const std::filesystem::path& childrenFile, unsigned uid);

private:
    struct Peer;
    struct Served;

    void authenticate(GSocketConnection* stream);
    void accept(GDBusConnection* connection);
    void drop(Peer* peer);
    Served* served(const std::string& account);
    void settle(Served& account);
    void answerQuestions(Served& account);
    void changed(Served& account, const std::string& name);
    void call(Peer& peer, const std::string& method, GVariant* parameters,
              GDBusMethodInvocation* invocation);
    void change(Peer& peer, const std::string& method, GVariant* parameters,
                GDBusMethodInvocation* invocation);
    void logCall(Peer& peer, const std::string& method, GVariant* parameters,
                 GDBusMethodInvocation* invocation);

    std::filesystem::path m_state;
    std::filesystem::path m_children;
    SystemClock m_clock;
    GSocketService* m_listener = nullptr;
    std::map<std::string, std::unique_ptr<Served>> m_accounts;
    std::map<GDBusConnection*, std::unique_ptr<Peer>> m_peers;
};
