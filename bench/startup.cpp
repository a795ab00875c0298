// Start-up cost of the browser against the least a Qt WebEngine program needs
// to show the same start page: the time from process start to the start page
// having loaded, and the peak memory of the whole process tree (the engine's
// helper processes included). Runs alternate between the two programs so that
// a busy machine slows both alike.
//
//   startup [RUNS [MEMORY_RUNS]]      (defaults 15 and 5)
//
// The programs are found beside this one: ../tobrin and minimal_webengine.
// Each run gets the offscreen platform, no engine sandbox and a temporary
// home folder shared by all runs, so profiles exist after the warm-up run.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <poll.h>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* LoadedLine = "tobrin: start page loaded";
constexpr auto GiveUpAfter = std::chrono::seconds(120);

struct Program
{
    std::string name;
    std::vector<std::string> argv;
};

struct Run
{
    double seconds = 0;
    double cpuSeconds = 0; // user and system time of the program and the helpers it waited for
    double rssMiB = 0;     // peak of the summed resident sets of the process tree
    double pssMiB = 0;     // the same with shared pages shared out (nearer real use)
};

std::string readSmall(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

// The process and every process below it.
std::set<pid_t> processTree(pid_t root)
{
    std::multimap<pid_t, pid_t> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        if (!isPid)
            continue;
        // Field 4 of stat, after the parenthesised name that may hold spaces.
        const std::string stat = readSmall("/proc/" + std::to_string(pid) + "/stat");
        const auto close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        int ppid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %*c %d", &ppid) == 1)
            children.emplace(ppid, pid);
    }
    std::set<pid_t> tree{root};
    std::vector<pid_t> todo{root};
    while (!todo.empty()) {
        const pid_t p = todo.back();
        todo.pop_back();
        auto [from, to] = children.equal_range(p);
        for (auto it = from; it != to; ++it)
            if (tree.insert(it->second).second)
                todo.push_back(it->second);
    }
    return tree;
}

long kibFrom(const std::string& text, const char* field)
{
    const auto at = text.find(field);
    return at == std::string::npos ? 0 : std::atol(text.c_str() + at + std::strlen(field));
}

void sampleMemory(pid_t root, Run& run)
{
    long rss = 0;
    long pss = 0;
    for (pid_t pid : processTree(root)) {
        const std::string rollup = readSmall("/proc/" + std::to_string(pid) + "/smaps_rollup");
        rss += kibFrom(rollup, "\nRss:");
        pss += kibFrom(rollup, "\nPss:");
    }
    run.rssMiB = std::max(run.rssMiB, rss / 1024.0);
    run.pssMiB = std::max(run.pssMiB, pss / 1024.0);
}

std::vector<std::string> environmentFor(const QString& home)
{
    static const std::set<std::string> overridden{"QT_QPA_PLATFORM",
                                                  "QTWEBENGINE_DISABLE_SANDBOX",
                                                  "HOME",
                                                  "TOBRIN_STARTUP_PROBE",
                                                  "XDG_CONFIG_HOME",
                                                  "XDG_DATA_HOME",
                                                  "XDG_CACHE_HOME"};
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (!overridden.count(entry.substr(0, entry.find('='))))
            env.push_back(entry);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("QTWEBENGINE_DISABLE_SANDBOX=1");
    env.push_back("TOBRIN_STARTUP_PROBE=quit");
    env.push_back("HOME=" + home.toStdString());
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// One start of the program; nothing when it failed to report its page.
std::optional<Run> runOnce(const Program& program, const QString& home, bool watchMemory,
                           std::string& log)
{
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    std::vector<std::string> args = program.argv;
    std::vector<std::string> env = environmentFor(home);

    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, pointers(args).data(),
                                    pointers(env).data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        log = "cannot start " + args[0] + ": " + std::strerror(spawned);
        return std::nullopt;
    }

    Run run;
    bool loaded = false;
    log.clear();
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        const int ready = poll(&p, 1, watchMemory ? 20 : 200);
        if (watchMemory)
            sampleMemory(pid, run);
        if (ready > 0) {
            char buffer[4096];
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n <= 0)
                break; // the program and its helpers have closed their stderr
            log.append(buffer, size_t(n));
            if (!loaded && log.find(LoadedLine) != std::string::npos) {
                loaded = true;
                run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            }
        }
        if (Clock::now() - start > GiveUpAfter) {
            kill(pid, SIGKILL);
            break;
        }
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!loaded)
        return std::nullopt;
    auto secondsOf = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    run.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string besideThis(const std::string& relative)
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, size_t(n)) : std::string("./startup");
    dir.erase(dir.rfind('/'));
    return QDir::cleanPath(QString::fromStdString(dir + "/" + relative)).toStdString();
}

} // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const int memoryRuns = argc > 2 ? std::max(0, std::atoi(argv[2])) : 5;
    const std::vector<Program> programs{
        {"tobrin", {besideThis("../tobrin")}},
        {"minimal web view", {besideThis("minimal_webengine"), besideThis("../html/intro.htm")}},
    };
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "startup: no temporary folder for HOME\n");
        return 1;
    }

    std::vector<std::vector<Run>> timed(programs.size());
    std::vector<std::vector<Run>> measured(programs.size());
    std::string log;
    // Round 0 is a warm-up (engine files into the page cache, profiles made).
    for (int round = 0; round <= runs + memoryRuns; ++round) {
        const bool watchMemory = round > runs;
        for (size_t i = 0; i < programs.size(); ++i) {
            // Alternate which program goes first, so neither always follows the other.
            const size_t which = (i + size_t(round)) % programs.size();
            const std::optional<Run> run = runOnce(programs[which], home.path(), watchMemory, log);
            if (!run) {
                std::fprintf(stderr, "startup: %s did not report its start page:\n%s\n",
                             programs[which].name.c_str(), log.c_str());
                return 1;
            }
            if (round == 0)
                continue;
            (watchMemory ? measured : timed)[which].push_back(*run);
        }
    }

    auto column = [](const std::vector<Run>& rs, double Run::*field) {
        std::vector<double> out;
        for (const Run& r : rs)
            out.push_back(r.*field);
        return out;
    };
    std::printf("Start-up to start page loaded, %d interleaved runs each (after one warm-up)\n",
                runs);
    for (size_t i = 0; i < programs.size(); ++i) {
        const auto t = column(timed[i], &Run::seconds);
        std::printf("  %-18s median %6.0f ms   min %6.0f ms   max %6.0f ms\n",
                    programs[i].name.c_str(), 1000 * median(t),
                    1000 * *std::min_element(t.begin(), t.end()),
                    1000 * *std::max_element(t.begin(), t.end()));
    }
    std::vector<double> pairRatios;
    for (int r = 0; r < runs; ++r)
        pairRatios.push_back(timed[0][size_t(r)].seconds / timed[1][size_t(r)].seconds);
    const double timeRatio =
        median(column(timed[0], &Run::seconds)) / median(column(timed[1], &Run::seconds));
    std::printf("  ratio of medians   %.3f   (median of paired ratios %.3f; goal at most 1.15)\n",
                timeRatio, median(pairRatios));
    // Processor time hardly depends on what else the machine is doing.
    const double cpu0 = median(column(timed[0], &Run::cpuSeconds));
    const double cpu1 = median(column(timed[1], &Run::cpuSeconds));
    std::printf("  processor time     tobrin %.0f ms, minimal %.0f ms, ratio %.3f\n", 1000 * cpu0,
                1000 * cpu1, cpu0 / cpu1);

    if (memoryRuns > 0) {
        std::printf("Peak memory of the process tree, %d interleaved runs each\n", memoryRuns);
        for (size_t i = 0; i < programs.size(); ++i)
            std::printf("  %-18s median RSS %6.1f MiB   PSS %6.1f MiB\n", programs[i].name.c_str(),
                        median(column(measured[i], &Run::rssMiB)),
                        median(column(measured[i], &Run::pssMiB)));
        std::printf(
            "  ratio of medians   RSS %.3f   PSS %.3f   (goal at most 1.10)\n",
            median(column(measured[0], &Run::rssMiB)) / median(column(measured[1], &Run::rssMiB)),
            median(column(measured[0], &Run::pssMiB)) / median(column(measured[1], &Run::pssMiB)));
    }
    return 0;
}
