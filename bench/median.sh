# Sourced by the start-up benchmarks' drivers, whose runs file in $out holds
# a line a run: "name key value key value ...".
median() { # name, column: the median of the values that came (-1: none came)
    grep "^$1 " "$out/runs" | awk -v c="$2" '$c >= 0 { print $c }' | sort -n |
        awk '{ v[NR] = $1 } END { print (NR ? v[int((NR + 1) / 2)] : -1) }'
}
