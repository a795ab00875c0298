#!/usr/bin/env python3
"""Start-up time with an empty surf log and with a 100 MB one.

Times the program from its start until the start page has loaded, in two
temporary copies of the installation that differ only in files/log.txt. Runs
alternate between the two so that a busy machine weighs on both alike; the
medians and their ratio are printed. The log must not cost start-up anything.

    bench/surflog_startup.py [build-folder] [--runs N] [--log-mb M]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

DATA_FOLDERS = ("files", "buffer", "html", "icons")
READY = b"tobrin: start page loaded"


def lay_installation(build, target):
    os.makedirs(target)
    shutil.copy2(os.path.join(build, "tobrin"), target)
    for folder in DATA_FOLDERS:
        source = os.path.join(build, folder)
        if os.path.isdir(source):
            shutil.copytree(source, os.path.join(target, folder))


def write_log(path, megabytes):
    """A log of sessions like the browser writes, of the given size."""
    target = megabytes * 1000 * 1000
    with open(path, "wb") as log:
        written, day = 0, 0
        while written < target:
            session = b"SURFING: %d/11/26 16:00\r\n\r\r\n" % (day % 28 + 1)
            session += b"".join(
                b"http://www.example%d.org/kids/page%d.html\r\n" % (i, day) for i in range(40))
            session += b"\r\nFINISHED AT: 7/11/26 17:00\r\n\r\n" + b"|" * 158 + b"\r\n"
            log.write(session)
            written += len(session)
            day += 1
    return os.path.getsize(path)


def time_start(install, home, log_size):
    # Every run appends its session record; put the log back first.
    log = os.path.join(install, "files", "log.txt")
    with open(log, "ab") as f:
        f.truncate(log_size)
    env = dict(os.environ,
               HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               QT_QPA_PLATFORM="offscreen", QTWEBENGINE_DISABLE_SANDBOX="1",
               TOBRIN_STARTUP_PROBE="quit")
    began = time.monotonic()
    process = subprocess.Popen([os.path.join(install, "tobrin")], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = None
    for line in process.stderr:
        if line.startswith(READY):
            elapsed = time.monotonic() - began
            break
    process.stderr.close()
    try:
        process.wait(timeout=60)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    if elapsed is None:
        sys.exit("the program ended without loading its start page")
    return elapsed


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--log-mb", type=int, default=100)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="tobrin-startup-") as scratch:
        empty = os.path.join(scratch, "empty")
        large = os.path.join(scratch, "large")
        lay_installation(args.build, empty)
        lay_installation(args.build, large)
        empty_size = 0
        large_size = write_log(os.path.join(large, "files", "log.txt"), args.log_mb)
        home = os.path.join(scratch, "home")
        os.makedirs(home)

        time_start(empty, home, empty_size)  # first run warms the disk cache
        times = {"empty": [], "large": []}
        for _ in range(args.runs):
            times["empty"].append(time_start(empty, home, empty_size))
            times["large"].append(time_start(large, home, large_size))

    empty_median = statistics.median(times["empty"])
    large_median = statistics.median(times["large"])
    print("runs each: %d (interleaved)" % args.runs)
    print("empty log:        median %.3f s  (%s)" % (
        empty_median, " ".join("%.3f" % t for t in times["empty"])))
    print("%d MB log:  median %.3f s  (%s)" % (
        large_size // 1000000, large_median, " ".join("%.3f" % t for t in times["large"])))
    print("ratio large/empty: %.3f" % (large_median / empty_median))


if __name__ == "__main__":
    main()
