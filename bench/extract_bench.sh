#!/usr/bin/env bash
# Whole-process wall time and peak memory of lumcc-extract on generated inputs.
#
#   bash bench/extract_bench.sh [TOOL] [ENTRY_MIB] [APPS]
#
# TOOL defaults to build/tools/lumcc-extract/lumcc-extract. The inputs are
# made by bench/extract_bench_gen.py in a temporary folder (TMPDIR, default
# /tmp) and removed at the end, or kept in BENCH_DIR when that is set.
# Measured with /usr/bin/time -f '%e %M' (seconds, peak resident KiB), best of
# RUNS runs (default 3) after one warm-up run, so every contender reads from
# the page cache:
#   extract   lumcc-extract --app-name big -o out big.exe  (ENTRY_MIB MiB entry,
#             program about twice that)
#   floor     cat big.exe > /dev/null; then writing ENTRY_MIB MiB
#   objcopy   llvm-objcopy --dump-section of the same section
#   info      lumcc-extract --info many.exe  (APPS apps)
# Targets: extract within 1.2 x floor; extract peak at most input + entry +
# 16 MiB; info under 0.2 s.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tool="$(realpath "${1:-$here/../build/tools/lumcc-extract/lumcc-extract}")"
entry_mib="${2:-512}"
apps="${3:-10000}"
runs="${RUNS:-3}"
objcopy=/usr/lib/llvm-22/bin/llvm-objcopy

# BENCH_DIR: keep the inputs in that folder between runs (made when missing).
if [ -n "${BENCH_DIR:-}" ]; then
  work="$BENCH_DIR"
  mkdir -p "$work"
else
  work="$(mktemp -d "${TMPDIR:-/tmp}/lumcc-extract-bench.XXXXXX")"
  trap 'rm -rf "$work"' EXIT
fi
if [ ! -f "$work/many.exe" ]; then
  echo "generating inputs in $work"
  python3 "$here/extract_bench_gen.py" "$work" "$entry_mib" "$apps"
fi
cd "$work"

# best "seconds peakKiB" of $runs runs of a command (after one warm-up run)
measure() {
  local best="" line
  "$@" >/dev/null 2>&1 || { echo "command failed: $*" >&2; exit 1; }
  for _ in $(seq "$runs"); do
    rm -f out floor.out dump.bin discard.o
    /usr/bin/time -o time.txt -f '%e %M' "$@" >/dev/null 2>&1
    line="$(tail -1 time.txt)"
    if [ -z "$best" ] || awk -v a="${line% *}" -v b="${best% *}" 'BEGIN{exit !(a<b)}'; then
      best="$line"
    fi
  done
  echo "$best"
}

entry_bytes=$((entry_mib * 1048576))
floor_cmd() { cat big.exe > /dev/null; head -c "$entry_bytes" /dev/zero > floor.out; }
export -f floor_cmd
export entry_bytes

extract=$(measure "$tool" --app-name big -o out big.exe)
cmp -s out big.entry || { echo "extracted bytes differ from the entry" >&2; exit 1; }
floor=$(measure bash -c floor_cmd)
dump=$(measure "$objcopy" --dump-section .lum_bin_big=dump.bin \
                 --remove-section .lum_bin_big --remove-section .lum_bin_filler big.exe discard.o)
info=$(measure "$tool" --info many.exe)
"$tool" --info many.exe | sed -n '1,2p;$p' || true
rm -f out floor.out dump.bin discard.o

input_kib=$(( $(stat -c %s big.exe) / 1024 ))
entry_kib=$(( entry_bytes / 1024 ))
limit_kib=$(( input_kib + entry_kib + 16384 ))

awk -v e="$extract" -v f="$floor" -v d="$dump" -v i="$info" -v lim="$limit_kib" \
    -v in_kib="$input_kib" -v mib="$entry_mib" -v apps="$apps" 'BEGIN {
  split(e, E, " "); split(f, F, " "); split(d, D, " "); split(i, I, " ");
  printf "%-34s %8s %12s\n", "run", "seconds", "peak MiB";
  printf "%-34s %8.2f %12.1f\n", "lumcc-extract (" mib " MiB entry)", E[1], E[2] / 1024;
  printf "%-34s %8.2f %12.1f\n", "I/O floor (cat + write)", F[1], F[2] / 1024;
  printf "%-34s %8.2f %12.1f\n", "llvm-objcopy --dump-section", D[1], D[2] / 1024;
  printf "%-34s %8.2f %12.1f\n", "lumcc-extract --info (" apps " apps)", I[1], I[2] / 1024;
  # /usr/bin/time counts hundredths: below that there is nothing to compare
  if (F[1] > 0) {
    ratio = E[1] / F[1];
    printf "extract / floor   = %.2f   (target <= 1.20)  %s\n", ratio, ratio <= 1.2 ? "ok" : "MISSED";
  } else {
    printf "extract / floor   = n/a    (floor under 0.01 s: use a larger ENTRY_MIB)\n";
  }
  printf "extract / objcopy = %.2f\n", D[1] > 0 ? E[1] / D[1] : 0;
  printf "extract peak      = %d KiB, limit input + entry + 16 MiB = %d KiB  %s\n", E[2], lim, E[2] <= lim ? "ok" : "MISSED";
  printf "info time         = %.2f s   (target < 0.20)  %s\n", I[1], I[1] < 0.2 ? "ok" : "MISSED";
}'
