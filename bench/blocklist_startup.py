#!/usr/bin/env python3
"""Start-up time and memory with an empty blocked-word list and a long one.

Two temporary copies of the installation differ only in files/nosurf.txt:
empty, and WORDS host names such as parents paste from public blocklists
(sorted, as such lists come and as the program saves them). Runs alternate
between the two; the medians of the time from start to the start page loaded
and their ratio are printed. Then the resident memory of the program's own
process is read once the list's index is built, and the extra is printed.

    bench/blocklist_startup.py [build-folder] [--runs N] [--words N] [--settle S]
"""

import argparse
import glob
import os
import random
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from surflog_startup import READY, lay_installation, time_start  # noqa: E402

SYLLABLES = ("ad ads an ar ba be bo ca cdn click co da de di do ex fa fi fo ga "
             "go ha he in io jo ka ki la le li lo ma me mi mo na ne no on pa pe "
             "pi po ra re ri ro sa se si so ta te ti to track tu um va ve vi web "
             "xo ya za zo stat pix tag net box hub").split()
TLDS = ("com", "net", "org", "info", "io", "de", "ru", "co.uk", "xyz", "top")
SUBDOMAINS = ("", "", "", "www.", "ads.", "cdn.", "track.", "m.", "img.", "api.")


def write_list(path, count):
    """Host names of about 15 bytes a line, as public lists hold."""
    rng = random.Random(20261207)
    hosts = set()
    while len(hosts) < count:
        name = "".join(rng.choice(SYLLABLES) for _ in range(rng.randint(2, 4)))
        if rng.random() < 0.3:
            name += str(rng.randint(0, 999))
        hosts.add(rng.choice(SUBDOMAINS) + name + "." + rng.choice(TLDS))
    with open(path, "wb") as f:
        for host in sorted(hosts, key=str.lower):
            f.write(host.encode() + b"\r\n")
    return os.path.getsize(path)


def environment(home):
    return dict(os.environ,
                HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                XDG_CACHE_HOME=os.path.join(home, ".cache"),
                XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                QT_QPA_PLATFORM="offscreen", QTWEBENGINE_DISABLE_SANDBOX="1",
                TOBRIN_STARTUP_PROBE="stay")


def memory_kib(pid):
    fields = {}
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            key, _, value = line.partition(":")
            fields[key] = int(value.split()[0]) if value.strip().endswith("kB") else 0
    return fields.get("VmRSS", 0), fields.get("VmHWM", 0)


def measure_memory(install, home, settle):
    """Resident memory of the program's own process once it has settled."""
    process = subprocess.Popen([os.path.join(install, "tobrin")], env=environment(home),
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    for line in process.stderr:
        if line.startswith(READY):
            break
    time.sleep(settle)  # the index is built beside the window after the start page
    rss, peak = memory_kib(process.pid)
    process.send_signal(signal.SIGKILL)
    process.wait()
    process.stderr.close()
    # The next start would write the killed session to the log first.
    for journal in glob.glob(os.path.join(install, "files", "session*.jnl")):
        os.remove(journal)
    return rss / 1024, peak / 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--words", type=int, default=1000000)
    parser.add_argument("--settle", type=float, default=8.0)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="tobrin-blocklist-") as scratch:
        empty = os.path.join(scratch, "empty")
        large = os.path.join(scratch, "large")
        lay_installation(args.build, empty)
        lay_installation(args.build, large)
        size = write_list(os.path.join(large, "files", "nosurf.txt"), args.words)
        home = os.path.join(scratch, "home")
        os.makedirs(home)

        time_start(empty, home, 0)  # warms the disk cache and makes the profile
        time_start(large, home, 0)
        times = {"empty": [], "large": []}
        for _ in range(args.runs):
            times["empty"].append(time_start(empty, home, 0))
            times["large"].append(time_start(large, home, 0))
        memory = {name: measure_memory(path, home, args.settle)
                  for name, path in (("empty", empty), ("large", large))}

    empty_median = statistics.median(times["empty"])
    large_median = statistics.median(times["large"])
    print("runs each: %d (interleaved); list of %d words, %.1f MB" % (
        args.runs, args.words, size / 1e6))
    print("empty list:  median %.3f s  (%s)" % (
        empty_median, " ".join("%.3f" % t for t in times["empty"])))
    print("long list:   median %.3f s  (%s)" % (
        large_median, " ".join("%.3f" % t for t in times["large"])))
    print("ratio long/empty: %.3f (goal at most 1.3)" % (large_median / empty_median))
    print("program's own process, %.0f s after the start page: RSS empty %.1f MiB, long %.1f MiB;"
          " extra %.1f MiB (goal at most 60); peak extra %.1f MiB" % (
              args.settle, memory["empty"][0], memory["large"][0],
              memory["large"][0] - memory["empty"][0], memory["large"][1] - memory["empty"][1]))


if __name__ == "__main__":
    main()
