#!/bin/sh
# Marginal instructions of one service call, client process only (the canned server is a forked
# child and gets its own callgrind file). Usage: measure_callgrind.sh [SERVICE_CALL_COUNT]
# Build first: cmake --preset bench && cmake --build build/bench --target service_call_count
set -eu
bin="${1:-build/bench/bench/service/service_call_count}"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
instructions() { # op calls
    pid=$(valgrind --tool=callgrind --callgrind-out-file="$out/cg.%p" "$bin" "$1" "$2" 2>/dev/null |
        sed -n 's/^pid \([0-9]*\):.*/\1/p')
    total=$(grep '^summary:' "$out/cg.$pid" | awk '{print $2}')
    rm -f "$out"/cg.*
    echo "$total"
}
for op in buddylist balance; do
    few=$(instructions "$op" 10)
    many=$(instructions "$op" 60)
    echo "$op: $(( (many - few) / 50 )) instructions per call"
done
