#!/bin/sh
# Marginal instructions of one service call, client process only (the canned server is a forked
# child and gets its own callgrind file), plain and over a kept-alive TLS connection.
# Usage: measure_callgrind.sh [SERVICE_CALL_COUNT]
# Build first: cmake --preset bench && cmake --build build/bench --target service_call_count
set -eu
bin="${1:-build/bench/bench/service/service_call_count}"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
instructions() { # op calls [https]
    pid=$(valgrind --tool=callgrind --callgrind-out-file="$out/cg.%p" "$bin" "$@" 2>/dev/null |
        sed -n 's/^pid \([0-9]*\):.*/\1/p')
    total=$(grep '^summary:' "$out/cg.$pid" | awk '{print $2}')
    rm -f "$out"/cg.*
    echo "$total"
}
for op in buddylist balance; do
    plain=$(( ($(instructions "$op" 60) - $(instructions "$op" 10)) / 50 ))
    echo "$op: $plain instructions per call"
    tls=$(( ($(instructions "$op" 60 https) - $(instructions "$op" 10 https)) / 50 ))
    echo "$op over https: $tls instructions per call, $(( tls * 100 / plain ))% of plain"
done
