#pragma once

// What a program and every process it started hold in memory: the engine
// runs pages and the network in processes of its own (under bwrap), so the
// figures that matter are theirs summed with the window's.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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

// Memory files (memfd) the tree holds, open or mapped, but whose pages PSS
// does not show: a page counts in PSS only once a process has touched it
// through its mapping, yet a written memory file holds all of its pages.
// Each file once, less what PSS already counts of it.
inline long unmappedSharedKiB(const std::vector<Process>& tree)
{
    std::map<unsigned long, long> sizeKiB, pssKiB; // by inode
    for (const Process& p : tree) {
        const std::string proc = "/proc/" + std::to_string(p.pid);
        std::error_code gone;
        for (const auto& fd : std::filesystem::directory_iterator(proc + "/fd", gone)) {
            std::error_code unreadable;
            const auto target = std::filesystem::read_symlink(fd.path(), unreadable);
            struct stat info{};
            if (!unreadable && target.string().starts_with("/memfd:") &&
                stat(fd.path().c_str(), &info) == 0)
                sizeKiB[info.st_ino] = long(info.st_size / 1024);
        }
        std::ifstream smaps(proc + "/smaps");
        unsigned long inode = 0;
        for (std::string line; std::getline(smaps, line);) {
            std::istringstream fields(line);
            std::string range, perms, offset, device, path;
            unsigned long node = 0;
            if (line.find('-') < line.find(' ') &&
                fields >> range >> perms >> offset >> device >> node) {
                std::getline(fields >> std::ws, path);
                inode = path.starts_with("/memfd:") ? node : 0;
                if (inode) {
                    const auto dash = range.find('-');
                    const long bytes = long(std::stoul(range.substr(dash + 1), nullptr, 16) -
                                            std::stoul(range.substr(0, dash), nullptr, 16));
                    sizeKiB[inode] = std::max(sizeKiB[inode], bytes / 1024);
                }
            } else if (inode && line.starts_with("Pss:")) {
                pssKiB[inode] += std::stol(line.substr(4));
            }
        }
    }
    long sum = 0;
    for (const auto& [inode, size] : sizeKiB)
        sum += std::max(0L, size - pssKiB[inode]);
    return sum;
}

} // namespace ProcessTree
