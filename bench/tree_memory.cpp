// What a running program and every process it started hold now, for the
// start-up benchmark of the whole program: one line of figures, then the
// process ids, so that the driver can wait until the engine's processes have
// gone before it starts the next run.
//
//   tree_memory PID
//   -> pss_kib N rss_kib N processes N
//      PID PID ...

#include "process_tree.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    const int root = argc == 2 ? std::atoi(argv[1]) : 0;
    if (root <= 0) {
        std::fprintf(stderr, "usage: %s PID\n", argv[0]);
        return 2;
    }
    const auto tree = ProcessTree::of(root);
    long rss = 0;
    for (const auto& p : tree)
        rss += p.rssKiB;
    std::printf("pss_kib %ld rss_kib %ld processes %zu\n", ProcessTree::totalPssKiB(tree), rss,
                tree.size());
    for (const auto& p : tree)
        std::printf("%d ", p.pid);
    std::printf("\n");
    return 0;
}
