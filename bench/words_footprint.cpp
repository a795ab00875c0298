// What a long blocked list costs the whole program: the installed program is
// started in a scratch installation of its own, once with an empty list and
// once with WORDS words in random order (as a list written by hand or by
// another program would be), and each time the memory (PSS) of every process
// of its tree is read once the figures settle: the window's process, the
// engine's web and network processes and the sandbox between, with the pages
// of the memory files they share that no process has touched yet.
//
//   words_footprint [WORDS [ROUNDS [BUILD]]]
//
// 1,000,000 words and 3 rounds unless given; the program is taken from the
// build folder this benchmark belongs to, or from BUILD.
//
// Runs on the display given (DISPLAY), under a session bus.

#include "process_tree.h"

#include <glib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Host names of 6 to 20 letters, as a bought list of sites might hold.
void writeWords(const fs::path& file, int count)
{
    std::mt19937 random(20261207);
    std::ofstream out(file, std::ios::binary);
    std::string word;
    for (int i = 0; i < count; ++i) {
        word.assign(6 + random() % 15, 'a');
        for (char& c : word)
            c = char('a' + random() % 26);
        out << word << (i % 3 == 0 ? ".com" : ".net") << "\r\n";
    }
}

// The program beside its engine module and installation, as installed.
fs::path installation(const fs::path& build, int words)
{
    const fs::path root = g_dir_make_tmp("words-footprint-XXXXXX", nullptr);
    fs::copy_file(build / "tobrin", root / "tobrin");
    for (const char* folder : {"webext", "files", "html", "buffer"})
        fs::copy(build / folder, root / folder, fs::copy_options::recursive);
    // Nothing a run of the build folder left there (a surf log, a code page) counts.
    fs::remove_all(root / "files");
    fs::create_directories(root / "files");
    writeWords(root / "files/nosurf.txt", words);
    fs::create_directories(root / "home");
    return root;
}

struct Settled
{
    double seconds;
    std::vector<ProcessTree::Process> tree;
    long unmappedKiB;
};

// Field n (from 1, as proc(5) counts them) of a /proc stat file; 0 when unreadable.
long statField(const fs::path& stat, int n)
{
    // "pid (comm) state ...": comm may hold spaces, so count after the last ')'.
    const std::string line = ProcessTree::firstLine(stat);
    const auto close = line.rfind(')');
    std::istringstream rest(close == std::string::npos ? "" : line.substr(close + 2));
    std::string field;
    for (int i = 3; i < n && rest >> field; ++i) {
    }
    long value = 0;
    rest >> value;
    return value;
}

// Clock ticks the process has run, in user and system time.
long cpuTicks(int pid)
{
    const fs::path stat = "/proc/" + std::to_string(pid) + "/stat";
    return statField(stat, 14) + statField(stat, 15);
}

// The threads of the tree that build an index behind the list: they run at a
// low priority, which a busy machine starves for many minutes. The
// benchmark measures memory, not that wait: they get an ordinary priority,
// and the figures are read once they have ended.
bool building(const std::vector<ProcessTree::Process>& tree, std::vector<fs::path>& builders)
{
    constexpr int kBuilderNice = 15;
    for (const ProcessTree::Process& p : tree) {
        std::error_code gone;
        const fs::path tasks = "/proc/" + std::to_string(p.pid) + "/task";
        for (const auto& task : fs::directory_iterator(tasks, gone)) {
            if (statField(task.path() / "stat", 19) == kBuilderNice) {
                setpriority(PRIO_PROCESS, id_t(std::stoi(task.path().filename())), 0);
                builders.push_back(task.path());
            }
        }
    }
    std::erase_if(builders, [](const fs::path& task) { return !fs::exists(task); });
    return !builders.empty();
}

// Starts the program and reads its tree until, with a web process running,
// the tree has been idle (a twentieth of a processor) and its sum has moved by
// less than 1 MiB for five seconds.
Settled run(const fs::path& root)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        const std::string home = (root / "home").string();
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
        const std::string program = (root / "tobrin").string();
        execl(program.c_str(), program.c_str(), nullptr);
        _exit(127);
    }
    std::vector<long> sums, ticks;
    std::vector<fs::path> builders;
    const long perSecond = sysconf(_SC_CLK_TCK);
    Settled settled{};
    int status = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::minutes(10)) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "the program ended before its memory settled\n");
            std::exit(1);
        }
        settled.tree = ProcessTree::of(child);
        sums.push_back(ProcessTree::totalPssKiB(settled.tree));
        long used = 0;
        for (const ProcessTree::Process& p : settled.tree)
            used += cpuTicks(p.pid);
        ticks.push_back(used);
        const bool page = std::ranges::any_of(settled.tree, [](const ProcessTree::Process& p) {
            return p.name.starts_with("WebKitWebProces");
        });
        if (building(settled.tree, builders))
            continue;
        if (page && sums.size() > 6) {
            const auto last = sums.end() - 6;
            const auto [low, high] = std::minmax_element(last, sums.end());
            if (*high - *low < 1024 && (ticks.back() - ticks[ticks.size() - 6]) * 4 < perSecond)
                break;
        }
    }
    settled.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() - 5;
    settled.unmappedKiB = ProcessTree::unmappedSharedKiB(settled.tree);
    kill(-child, SIGTERM);
    waitpid(child, &status, 0);
    return settled;
}

} // namespace

int main(int argc, char* argv[])
{
    const int words = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const fs::path build =
        argc > 3 ? fs::path(argv[3]) : fs::canonical("/proc/self/exe").parent_path().parent_path();
    std::map<int, std::vector<long>> totals;
    for (int round = 0; round < rounds; ++round) {
        for (const int count : {0, words}) {
            const fs::path root = installation(build, count);
            const Settled s = run(root);
            fs::remove_all(root);
            std::printf("%d words, settled after %.0f s:\n", count, s.seconds);
            // Processes of one kind summed, so that rounds compare.
            std::map<std::string, std::pair<long, int>> kinds;
            for (const ProcessTree::Process& p : s.tree) {
                kinds[p.name].first += p.pssKiB;
                ++kinds[p.name].second;
            }
            for (const auto& [name, kind] : kinds)
                std::printf("  %-18s x%d PSS %7.1f MiB\n", name.c_str(), kind.second,
                            kind.first / 1024.0);
            const long unmapped = s.unmappedKiB;
            std::printf("  memory files       not in PSS %7.1f MiB\n", unmapped / 1024.0);
            totals[count].push_back(ProcessTree::totalPssKiB(s.tree) + unmapped);
            std::printf("  total              PSS %7.1f MiB\n", totals[count].back() / 1024.0);
        }
    }
    const auto median = [](std::vector<long> v) {
        std::ranges::sort(v);
        return v[v.size() / 2] / 1024.0;
    };
    std::printf("median of %d rounds: 0 words %.1f MiB, %d words %.1f MiB, difference %.1f MiB\n",
                rounds, median(totals[0]), words, median(totals[words]),
                median(totals[words]) - median(totals[0]));
    return 0;
}
