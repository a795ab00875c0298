#!/bin/sh
# The whole program against the bare gtkmm + WebKitGTK window: the time from
# start to the window shown and to the start page loaded, and what the whole
# process tree (the engine's web and network processes included) holds once
# it has settled.
# The program runs from a scratch installation of BUILD-DIR, once with an
# empty blocked-word list, once with a million words in random order and
# once in the family set-up (its rules from the family service, started here
# on a scratch folder), each with a home folder of its own; a first start of each lays its files
# and is not counted. Runs are interleaved (one round goes through every
# configuration) on the display given, which should run openbox; medians and
# ratios follow, and one screenshot per configuration is left in OUT.
#
#   DISPLAY=:N bench/startup.sh BUILD-DIR [ROUNDS [OUT]]
#
# SETTLE (seconds, default 3) is the wait between the page and the reading of
# memory; WAIT (seconds, default 60) how long a start page may take. ALSO adds configurations of your own, lines of "name|command" whose
# command prints the same line as the program when its page has loaded.
set -eu
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    exec dbus-run-session -- "$0" "$@"
fi
build=$(cd "$1" && pwd)
rounds=${2:-7}
out=${3:-/tmp/tobrin-startup}
settle=${SETTLE:-3}
patience=${WAIT:-60}
page=$(cd "$(dirname "$0")/../data/html" && pwd)/intro.htm
mkdir -p "$out"
: > "$out/runs"

# Two installations that differ only in files/nosurf.txt, and one in the
# family set-up, its service serving this account from a scratch folder.
for list in empty million family; do
    rm -rf "$out/$list" "$out/home-$list"
    cmake --install "$build" --prefix "$out/$list" > /dev/null
done
awk 'BEGIN {
    srand(20261207)
    for (i = 0; i < 1000000; i++) {
        # A distinct host name from each number, letters for its digits.
        n = i; name = ""
        do { name = name substr("kstrnmpbdl", n % 10 + 1, 1) substr("aeiou", int(rand() * 5) + 1, 1); n = int(n / 10) } while (n > 0)
        printf "%.8f %s.%s\r\n", rand(), name, (i % 3 ? "com" : "net")
    }
}' | LC_ALL=C sort -k1,1 | cut -d' ' -f2- > "$out/million/files/nosurf.txt"

mkdir -p "$out/family-state"
id -un > "$out/family-children"
printf '[Family]\nsocket=%s\n' "$out/family-socket" > "$out/family/family.conf"
"$out/family/tobrin-family" --state "$out/family-state" --socket "$out/family-socket" \
    --children "$out/family-children" &
service=$!
trap 'kill $service 2> /dev/null || true' EXIT

# Settings and engine data stay in a home folder of each configuration's own.
home() { h=$out/home-$1; mkdir -p "$h"; echo "env HOME=$h XDG_CONFIG_HOME=$h/.config XDG_DATA_HOME=$h/.local/share XDG_CACHE_HOME=$h/.cache"; }
configs="bare|$(home bare) $build/bench/minimal_webkit $page
bare-cairo|$(home bare) GSK_RENDERER=cairo $build/bench/minimal_webkit $page
tobrin|$(home empty) $out/empty/tobrin
tobrin-million|$(home million) $out/million/tobrin
tobrin-family|$(home family) XDG_RUNTIME_DIR=$out/home-family $out/family/tobrin"
if [ -n "${ALSO:-}" ]; then
    configs="$configs
$ALSO"
fi

now() { date +%s%N; }
# dash's own kill takes no process group.
signal() { /bin/kill "$@" 2> /dev/null || true; }
alive() { [ -e "/proc/$1" ] && ! grep -q ') Z' "/proc/$1/stat" 2> /dev/null; }

run() { # name, command, screenshot or not: appends a line to runs
    log="$out/$1.log"
    : > "$log"
    began=$(now)
    TOBRIN_STARTUP_PROBE=stay TOBRIN_LINGER_MS=600000 setsid $2 2> "$log" > /dev/null &
    pid=$!
    shown=-1 loaded=-1
    while :; do
        ms=$((($(now) - began) / 1000000))
        [ "$shown" -lt 0 ] && xdotool search --onlyvisible --pid "$pid" > /dev/null 2>&1 &&
            shown=$ms
        if grep -q '^tobrin: start page loaded' "$log"; then
            loaded=$ms
            break
        fi
        if ! alive "$pid"; then
            echo "$1: ended before its start page; see $log" >&2
            return 0
        fi
        if [ "$ms" -gt $((patience * 1000)) ]; then
            echo "$1: no start page after $patience s" >&2
            break
        fi
        sleep 0.01
    done
    sleep "$settle"
    "$build/bench/tree_memory" "$pid" > "$out/tree"
    [ "$3" = shot ] && import -window root "$out/$1.png"
    echo "$1 shown_ms $shown start_ms $loaded $(head -1 "$out/tree")" >> "$out/runs"
    # The engine's processes outlive their parent for a moment: the next run
    # starts when all of them have gone.
    signal -TERM -- "-$pid"
    wait "$pid" 2> /dev/null || true
    for try in $(seq 50); do
        left=0
        for p in $(tail -1 "$out/tree"); do alive "$p" && left=1; done
        [ "$left" = 0 ] && break
        sleep 0.1
    done
    for p in $(tail -1 "$out/tree"); do if alive "$p"; then signal -KILL "$p"; fi; done
}

# The first start of each lays its files and compiles the engine's rules.
echo "$configs" | while IFS='|' read -r name command; do
    run "$name" "$command" shot
done
: > "$out/runs"
i=0
while [ "$i" -lt "$rounds" ]; do
    echo "$configs" | while IFS='|' read -r name command; do
        run "$name" "$command" no
    done
    i=$((i + 1))
done

# Lines read "name shown_ms N start_ms N pss_kib N rss_kib N processes N"; a
# time of -1 never came.
. "$(dirname "$0")/median.sh"
printf '%-16s %4s %7s %7s %7s %7s %6s %6s %6s %6s\n' configuration runs "shown" "page" \
    "PSS" "RSS" page PSS shown page | tee "$out/summary"
echo "$configs" | while IFS='|' read -r name command; do
    grep -q "^$name " "$out/runs" || continue
    awk -v n="$name" -v c="$(grep -c "^$name " "$out/runs")" \
        -v s="$(median "$name" 3)" -v l="$(median "$name" 5)" \
        -v p="$(median "$name" 7)" -v r="$(median "$name" 9)" \
        -v bl="$(median bare-cairo 5)" -v bp="$(median bare-cairo 7)" \
        -v es="$(median tobrin 3)" -v el="$(median tobrin 5)" '
        function ratio(a, b) { return a < 0 || b <= 0 ? "-" : sprintf("%.2f", a / b) }
        BEGIN { printf "%-16s %4d %7d %7d %7.1f %7.1f %6s %6s %6s %6s\n", n, c, s, l,
            p / 1024, r / 1024, ratio(l, bl), ratio(p, bp), ratio(s, es), ratio(l, el) }'
done | tee -a "$out/summary"
cat << 'EOF' | tee -a "$out/summary"
Medians: ms from start to the window shown and to the start page loaded, MiB
of the process tree settled. Ratios: page and PSS to bare-cairo, the bare
window under the renderer the program uses; shown and page to the program
with an empty list.
EOF
