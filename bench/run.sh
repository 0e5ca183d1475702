#!/bin/sh
# Builds the benchmark in Release in build-bench/ and runs it. Sizes default to 10000, 100000
# and 1000000 cards; pass others as one argument: ./bench/run.sh 10000,100000
# Generated tables are cached in build-bench/data/<cards>/; delete that directory to rebuild.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
sizes=${1:-10000,100000,1000000}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLAMELIN_BUILD_BENCH=ON -DLAMELIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target lamelin-bench -- -j2
exec "$build/bench/lamelin-bench" run --data "$build/data" --sizes "$sizes"
