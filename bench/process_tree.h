#pragma once

// What a program and every process it started hold in memory: the engine
// runs pages and the network in processes of its own (under bwrap), so the
// figures that matter are theirs summed with the window's.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace ProcessTree {

struct Process
{
    int pid;
    std::string name;
    long pssKiB;
    long rssKiB;
};

inline std::string firstLine(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The value of a "Name:   123 kB" line of smaps_rollup; 0 when unreadable.
inline long rollup(int pid, const std::string& field)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(field + ":"))
            return std::stol(line.substr(field.size() + 1));
    }
    return 0;
}

// The process and all its descendants alive now.
inline std::vector<Process> of(int root = getpid())
{
    std::multimap<int, int> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // "pid (comm) state ppid ...": comm may hold spaces, so read after the last ')'.
        const std::string stat = firstLine(entry.path() / "stat");
        const auto close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(close + 2));
        char state;
        int parent = 0;
        rest >> state >> parent;
        children.emplace(parent, std::stoi(name));
    }
    std::vector<Process> tree;
    std::vector<int> todo{root};
    while (!todo.empty()) {
        const int pid = todo.back();
        todo.pop_back();
        tree.push_back({pid, firstLine("/proc/" + std::to_string(pid) + "/comm"),
                        rollup(pid, "Pss"), rollup(pid, "Rss")});
        for (auto [it, end] = children.equal_range(pid); it != end; ++it)
            todo.push_back(it->second);
    }
    return tree;
}

inline long totalPssKiB(const std::vector<Process>& tree)
{
    long sum = 0;
    for (const Process& p : tree)
        sum += p.pssKiB;
    return sum;
}

} // namespace ProcessTree
