#!/usr/bin/env bash
# Measures this tree's benchmarks against an earlier commit's, both built the same way (Release,
# no GUI), run interleaved in one session so that both see the same machine load.
#   bench/compare.sh [--same-bench] BASE_COMMIT [ROUNDS] [BENCHMARK_PROGRAM...]
# With --same-bench the earlier commit is built with this tree's bench/ folder, so that both run
# the same benchmark programs (they must then build against the earlier code as well).
# Prints the median emulated MHz of each benchmark in both trees and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
same_bench=false
if [ "${1:-}" = --same-bench ]; then
    same_bench=true
    shift
fi
base=${1:?usage: bench/compare.sh [--same-bench] BASE_COMMIT [ROUNDS] [PROGRAM...]}
rounds=${2:-5}
shift $(( $# >= 2 ? 2 : 1 ))
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(cpu_bench machine_bench)

work=build/bench-compare
rm -rf "$work" && mkdir -p "$work/base-src" "$work/results"
git archive "$(git rev-parse "$base")" | tar -x -C "$work/base-src"
if $same_bench; then
    rm -rf "$work/base-src/bench" && cp -r bench "$work/base-src/bench"
fi
configure() {  # source-dir build-dir
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVOK_BUILD_GUI=OFF \
          -DTARVOK_BUILD_TESTS=OFF >/dev/null
    cmake --build "$2" --target "${programs[@]}" >/dev/null
}
configure "$work/base-src" "$work/base"
configure . "$work/head"

for round in $(seq "$rounds"); do
    for tree in base head; do
        for program in "${programs[@]}"; do
            "$work/$tree/bench/$program" --benchmark_format=json --benchmark_min_time=1 \
                > "$work/results/$tree-$program-$round.json"
        done
    done
done

python3 - "$work/results" <<'PY'
import glob, json, os, statistics, sys
figures = {}
for path in glob.glob(os.path.join(sys.argv[1], "*.json")):
    tree = os.path.basename(path).split("-")[0]
    for bench in json.load(open(path))["benchmarks"]:
        if "MHz" in bench:
            figures.setdefault(bench["name"], {}).setdefault(tree, []).append(bench["MHz"] / 1e6 if bench["MHz"] > 1e5 else bench["MHz"])
print(f"{'benchmark':58} {'base MHz':>9} {'head MHz':>9} {'ratio':>6}")
for name in sorted(figures):
    base = statistics.median(figures[name].get("base", [0])) if "base" in figures[name] else None
    head = statistics.median(figures[name]["head"]) if "head" in figures[name] else None
    ratio = f"{head / base:6.2f}" if base and head else "     -"
    show = lambda v: f"{v:9.1f}" if v else "        -"
    print(f"{name:58} {show(base)} {show(head)} {ratio}")
PY
