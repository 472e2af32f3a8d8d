#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (fuzzer, address and
# undefined-behaviour sanitizers) and runs each for a given time, seeded from
# the test fixtures and the saved inputs of fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default 60 seconds, every target)
#
# Environment: FUZZ_RUNS (stop each target after this many executions, or
# at the time limit, whichever comes first; default none), FUZZ_BUILD (build
# folder, default build-fuzz), FIXTURES (a
# fixture folder; made with tests/fixtures/make_fixtures.py when missing),
# CLANGXX (default clang++-14), FUZZ_JOBS (compile jobs, default 2),
# LLVM_ROOT (the LLVM whose Support library the target code uses, default
# /usr/lib/llvm-22).
# New corpus entries go to FUZZ_BUILD/corpus/<target>/, crash inputs to
# FUZZ_BUILD/artifacts/<target>/; copy a crash input into fuzz/corpus/<target>/
# once the fault is fixed, so that CTest replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true
build=$(realpath -m "${FUZZ_BUILD:-$root/build-fuzz}")
runs=()
[ -n "${FUZZ_RUNS:-}" ] && runs=(-runs="$FUZZ_RUNS")
cxx=${CLANGXX:-clang++-14}
jobs=${FUZZ_JOBS:-2}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=all)
headerDirs=(stdlib/utilities/std stdlib/utilities/threads/arch stdlib/internal/elf utilities/cmdopt targets)
llvm=${LLVM_ROOT:-/usr/lib/llvm-22}
includes=(-isystem "$llvm/include")
for d in "${headerDirs[@]}"; do
  includes+=(-I "$root/$d")
done

# The support sources the targets need, compiled once into objects.
mkdir -p "$build/obj"
sources=(stdlib/utilities/std/*.cpp stdlib/utilities/threads/arch/*.cpp stdlib/internal/elf/*.cpp utilities/cmdopt/*.cpp targets/*.cpp)
objects=()
pids=()
for src in "${sources[@]}"; do
  obj="$build/obj/$(echo "$src" | tr '/' '_').o"
  objects+=("$obj")
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ -n "$(find "${headerDirs[@]}" -name '*.h' -newer "$obj" | head -1)" ]; then
    "$cxx" "${flags[@]}" "${includes[@]}" -c "$src" -o "$obj" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$jobs" ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
  fi
done
for p in "${pids[@]}"; do wait "$p"; done

fixtures=${FIXTURES:-$root/build/fixtures}
if [ ! -d "$fixtures" ]; then
  fixtures="$build/fixtures"
  [ -d "$fixtures" ] || python3 tests/fixtures/make_fixtures.py "$fixtures"
fi

for t in "${targets[@]}"; do
  bin="$build/$t"
  "$cxx" "${flags[@]}" -fsanitize=fuzzer "${includes[@]}" "fuzz/$t.cpp" "${objects[@]}" \
    -L "$llvm/lib" -Wl,-rpath,"$llvm/lib" -lLLVM-22 -lpthread -o "$bin"
  corpus="$build/corpus/$t"
  artifacts="$build/artifacts/$t"
  mkdir -p "$corpus" "$artifacts" "fuzz/corpus/$t"
  echo "== $t: ${seconds}s${FUZZ_RUNS:+ or $FUZZ_RUNS runs}"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$bin" -max_total_time="$seconds" "${runs[@]}" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
           -print_final_stats=1 -artifact_prefix="$artifacts/" \
           "$corpus" "fuzz/corpus/$t" "$fixtures" 2>&1 | tee "$build/$t.log" | grep -E 'DONE|stat::|ERROR|SUMMARY|deadly|crash-' | tail -n 20
done
