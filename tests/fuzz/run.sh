#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into their own build directory and runs each on its corpus for a while.
#
#   tests/fuzz/run.sh [seconds per target, default 15] [target ...]
#
# The build directory is $FUZZ_BUILD_DIR, by default build-fuzz/ beside the sources. The corpus
# in the repository is only read; what the fuzzer finds goes to a scratch directory, and a
# crashing input is saved as <build>/artifacts/<target>/crash-... and fails the run.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-15}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_sql fuzz_ini fuzz_record_file fuzz_index_file)

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=vptr -fno-sanitize-recover=undefined"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" \
      -DLAMELIN_BUILD_TESTS=OFF -DLAMELIN_BUILD_FUZZ=ON > /dev/null
cmake --build "$build" --target "${targets[@]}" -j2

status=0
for t in "${targets[@]}"; do
  corpus="$root/tests/fuzz/${t#fuzz_}/corpus"
  scratch="$(mktemp -d)"
  artifacts="$build/artifacts/$t"
  mkdir -p "$artifacts"
  echo "== $t: ${seconds}s on $(ls "$corpus" | wc -l) corpus inputs"
  if ! ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
       "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$artifacts/" -print_final_stats=1 "$scratch" "$corpus" 2>"$build/$t.log"; then
    tail -n 60 "$build/$t.log"
    status=1
  else
    grep -E "^stat::number_of_executed_units|^Done" "$build/$t.log" || true
  fi
  rm -rf "$scratch"
done
exit $status
