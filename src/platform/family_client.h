#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

// A connection to the family service, which keeps a child account's rules,
// settings, password and surf log where the child cannot change them. One
// blocking method per call of the service; Changed and the end of the
// connection arrive on the main loop of the thread that connected.
class FamilyClient
{
public:
    static constexpr const char* Interface = "org.corvane.Tobrin.Family1";
    static constexpr const char* ObjectPath = "/org/corvane/Tobrin/Family";
    static constexpr const char* SocketPath = "/run/tobrin-family/socket";

    // How a call ended. A failed write's error is the sentence for the parent.
    struct Outcome
    {
        enum Kind
        {
            Done,
            NotAuthorised, // a change without the parent's password
            Refused,       // a name or key the service does not serve
            Missing,       // no such file yet
            Failed,        // the change did not reach the disk
            Unreachable    // no service, or the connection is gone
        };
        Kind kind = Done;
        std::string error;
        bool ok() const { return kind == Done; }
    };
    // The D-Bus error name of each kind the service answers with.
    static std::string errorName(Outcome::Kind kind);
    // A string as D-Bus carries it: UTF-8 only, so stray bytes go as U+FFFD
    // rather than end the call.
    static GVariant* text(const std::string& value);

    // Null, with the reason in why, when the service cannot be reached or
    // does not serve this account.
    static std::unique_ptr<FamilyClient> connect(const std::string& socketPath, Outcome* why);
    ~FamilyClient();
    FamilyClient(const FamilyClient&) = delete;
    FamilyClient& operator=(const FamilyClient&) = delete;

    // The account's file, open for reading: fd is the caller's to close. A
    // missing file is exists false with no error, as TextFile reads one.
    struct Opened
    {
        int fd = -1;
        bool exists = false;
        std::string error;
    };
    Opened read(const std::string& name);
    Outcome settings(std::map<std::string, std::string>& values);
    Outcome hasPassword(bool& has);

    // Waits as long as the service makes it wait after wrong passwords.
    Outcome authorise(const std::string& password, bool& right);
    Outcome deauthorise();
    Outcome replace(const std::string& name, const std::string& bytes);
    Outcome setSetting(const std::string& key, const std::string& value);
    Outcome setPassword(const std::string& password);

    // The surf log of the session on this connection.
    Outcome begin();
    Outcome allowed(const std::string& address);
    Outcome start(const std::string& dateTime);
    Outcome end(const std::vector<std::string>& history, const std::string& dateTime, int quitPath);
    Outcome quit();
    Outcome notice(std::string& text, bool& error);

    // A file's name, or "settings", after any connection of the account
    // changed it.
    void onChanged(std::function<void(const std::string& name)> changed)
    {
        m_changed = std::move(changed);
    }
    void onClosed(std::function<void()> closed) { m_closed = std::move(closed); }
    bool isClosed() const;

private:
    explicit FamilyClient(GDBusConnection* connection);
    // The reply (null on failure, then outcome says why).
    GVariant* call(const char* method, GVariant* parameters, const char* replyType,
                   Outcome& outcome, int timeoutMs = -1);
    Outcome simple(const char* method, GVariant* parameters);

    GDBusConnection* m_connection;
    unsigned m_subscription = 0;
    unsigned long m_closedHandler = 0;
    std::function<void(const std::string&)> m_changed;
    std::function<void()> m_closed;
};
