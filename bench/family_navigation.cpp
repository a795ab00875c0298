// What the family set-up adds to a navigation: the browser hands the allowed
// address to the service, which keeps it in the session's journal before the
// page loads, where a browser on its own keeps it in a journal of its own.
// Both are timed, interleaved, on the same disk, a navigation every 2 ms (far
// more often than anyone clicks, yet time for the service to keep up, as it
// does between real pages); the service is the built one, on a scratch
// folder, serving the account that runs this.
//
//   family_navigation BUILD-DIR [NAVIGATIONS]      (default 5000)

#include "platform/clock.h"
#include "platform/family_client.h"
#include "surflog/session_log.h"

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <pwd.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: family_navigation BUILD-DIR [NAVIGATIONS]\n");
        return 2;
    }
    const std::string program = std::string(argv[1]) + "/tobrin-family";
    const int navigations = argc > 2 ? std::atoi(argv[2]) : 5000;
    char pattern[] = "/tmp/tobrin-family-bench-XXXXXX";
    const std::filesystem::path scratch = g_mkdtemp(pattern);
    const std::filesystem::path state = scratch / "state", socket = scratch / "socket",
                                children = scratch / "children", own = scratch / "own";
    std::filesystem::create_directories(state);
    std::filesystem::create_directories(own);
    std::ofstream(children) << getpwuid(getuid())->pw_name << "\n";

    const std::string stateText = state.string(), socketText = socket.string(),
                      childrenText = children.string();
    const char* service[] = {program.c_str(), "--state",    stateText.c_str(),    "--socket",
                             socketText.c_str(), "--children", childrenText.c_str(), nullptr};
    GPid pid = 0;
    if (!g_spawn_async(nullptr, const_cast<char**>(service), nullptr, G_SPAWN_DEFAULT, nullptr,
                       nullptr, &pid, nullptr)) {
        std::fprintf(stderr, "family_navigation: %s does not start\n", program.c_str());
        return 1;
    }
    std::unique_ptr<FamilyClient> client;
    for (int tries = 0; !client && tries < 100; ++tries) {
        FamilyClient::Outcome why;
        client = FamilyClient::connect(socketText, &why);
        if (!client)
            g_usleep(50000);
    }
    if (!client) {
        std::fprintf(stderr, "family_navigation: the service does not answer\n");
        kill(pid, SIGTERM);
        return 1;
    }

    SystemClock clock;
    SessionLog alone(own / "log.txt", clock, CodePage("CP1252"));
    alone.begin();
    (void)client->begin();
    std::vector<double> withService, withoutService;
    for (int i = 0; i < navigations; ++i) {
        const std::string address = "http://www.example.org/page" + std::to_string(i) + ".html";
        auto start = Steady::now();
        (void)client->allowed(address);
        withService.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
        start = Steady::now();
        alone.addressAllowed(address);
        withoutService.push_back(
            std::chrono::duration<double, std::milli>(Steady::now() - start).count());
        g_usleep(2000);
    }
    (void)client->quit();
    alone.quitConfirmed();
    client.reset();
    kill(pid, SIGTERM);
    g_spawn_close_pid(pid);

    std::printf("%-22s %9s %9s\n", "allowed address, ms", "median", "p99");
    std::printf("%-22s %9.4f %9.4f\n", "browser alone", percentile(withoutService, 0.5),
                percentile(withoutService, 0.99));
    std::printf("%-22s %9.4f %9.4f\n", "with the service", percentile(withService, 0.5),
                percentile(withService, 0.99));
    std::printf("%-22s %9.4f %9.4f   (goal: p99 at most 0.2 ms more)\n", "added",
                percentile(withService, 0.5) - percentile(withoutService, 0.5),
                percentile(withService, 0.99) - percentile(withoutService, 0.99));
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return 0;
}
