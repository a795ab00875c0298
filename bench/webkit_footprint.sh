#!/bin/sh
# Start-up time and the whole process tree's memory (PSS) of the bare
# gtkmm + WebKitGTK window against the product's page view, under the GTK
# renderers, hardware acceleration policies and cache models worth trying.
# Runs are interleaved (one round goes through every configuration) on the
# display given, which should run openbox; medians and ratios to the bare
# window follow, and one screenshot per configuration is left in OUT to check
# that everything draws.
#
#   DISPLAY=:N bench/webkit_footprint.sh BUILD-DIR [ROUNDS [OUT]]
set -eu
build=$1
rounds=${2:-7}
out=${3:-/tmp/webkit-footprint}
page=$(cd "$(dirname "$0")/../data/html" && pwd)/intro.htm
mkdir -p "$out"
: > "$out/runs"

configs='bare|
bare-cairo|GSK_RENDERER=cairo
product|--product
product-cairo|GSK_RENDERER=cairo --product
product-never|--product --accelerate=never
product-cairo-never|GSK_RENDERER=cairo --product --accelerate=never
product-viewer|--product --cache=viewer
product-cairo-never-viewer|GSK_RENDERER=cairo --product --accelerate=never --cache=viewer'

run() { # name, settings, linger ms: prints the figures line
    env TOBRIN_LINGER_MS="$3" $(echo "$2" | tr ' ' '\n' | grep = || true) \
        dbus-run-session -- "$build/bench/minimal_webkit" \
        $(echo "$2" | tr ' ' '\n' | grep -v = || true) "$page" 2>/dev/null | grep --line-buffered '^start_ms'
}

# One screenshot each, taken while the window lingers after its figures.
echo "$configs" | while IFS='|' read -r name settings; do
    rm -f "$out/shot.line"
    run "$name" "$settings" 4000 > "$out/shot.line" &
    pid=$!
    while ! [ -s "$out/shot.line" ] && kill -0 "$pid" 2>/dev/null; do sleep 0.2; done
    import -window root "$out/$name.png"
    wait "$pid"
done

i=0
while [ "$i" -lt "$rounds" ]; do
    echo "$configs" | while IFS='|' read -r name settings; do
        echo "$name $(run "$name" "$settings" 0)" >> "$out/runs"
    done
    i=$((i + 1))
done

# Lines read "name start_ms N pss_kib N rss_kib N processes N".
. "$(dirname "$0")/median.sh"
bareStart=$(median bare 3)
barePss=$(median bare 5)
printf '%-28s %9s %9s %9s %7s %7s\n' configuration "start ms" "PSS MiB" "RSS MiB" start PSS |
    tee "$out/summary"
echo "$configs" | while IFS='|' read -r name settings; do
    start=$(median "$name" 3) pss=$(median "$name" 5) rss=$(median "$name" 7)
    awk -v n="$name" -v s="$start" -v p="$pss" -v r="$rss" -v bs="$bareStart" -v bp="$barePss" \
        'BEGIN { printf "%-28s %9d %9.1f %9.1f %7.2f %7.2f\n", n, s, p / 1024, r / 1024, s / bs, p / bp }'
done | tee -a "$out/summary"
