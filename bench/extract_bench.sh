#!/usr/bin/env bash
# lumcc-extract beside what a user would run instead, side by side in one
# run: whole-process wall time and peak memory on generated inputs.
#
#   bash bench/extract_bench.sh [TOOL] [ENTRY_MIB] [APPS]
#
# TOOL defaults to build/tools/lumcc-extract/lumcc-extract. The inputs are
# made by bench/extract_bench_gen.py in a temporary folder (TMPDIR, default
# /tmp) and removed at the end, or kept in BENCH_DIR when that is set:
# big.exe, a program of about 2 x ENTRY_MIB MiB (default 512) whose app
# "big" holds one ENTRY_MIB MiB executable, and many.exe with APPS apps
# (default 10000).
#
# Rows, every contender once per round, ROUNDS rounds (default 7), medians;
# one warm-up run each first, so everything reads from the page cache:
#   info      lumcc-extract --info big.exe     beside  readelf -S -W big.exe
#   extract   lumcc-extract --app-name big --mcpu tk-lum-gw3 -o out big.exe
#             beside  dd of the entry's byte range (bs=4M)
#             and     llvm-objcopy --dump-section .lum_bin_big=out big.exe /dev/null
#   many      lumcc-extract --info many.exe    beside  readelf -S -W many.exe
# A listing takes a few milliseconds, so an info time is the mean of a loop
# of REPEAT runs (default 50). Written outputs are removed and synced before
# each timed run, so no run pays for the writeback of the one before.
# Peak memory is the maximum resident size (/usr/bin/time %M) of one run.
# Goals: info <= 10 x readelf with a peak under 32 MiB; extract <= 1.0 x dd
# and <= 0.7 x llvm-objcopy, with a peak of at most the entry + 32 MiB.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tool="$(realpath "${1:-$here/../build/tools/lumcc-extract/lumcc-extract}")"
entry_mib="${2:-512}"
apps="${3:-10000}"
rounds="${ROUNDS:-7}"
repeat="${REPEAT:-50}"
objcopy=/usr/lib/llvm-22/bin/llvm-objcopy

if [ -n "${BENCH_DIR:-}" ]; then
  work="$BENCH_DIR"
  mkdir -p "$work"
else
  work="$(mktemp -d "${TMPDIR:-/tmp}/lumcc-extract-bench.XXXXXX")"
  trap 'rm -rf "$work"' EXIT
fi
if [ ! -f "$work/many.exe" ] || [ ! -f "$work/big.range" ]; then
  echo "generating inputs in $work"
  python3 "$here/extract_bench_gen.py" "$work" "$entry_mib" "$apps"
fi
cd "$work"
read -r entry_offset entry_bytes < big.range

# ------------------------------------------------------------ the contenders
# Each runs its command after its arguments (a measuring prefix, or none).
info_tool()    { "$@" "$tool" --info big.exe; }
info_readelf() { "$@" readelf -S -W big.exe; }
many_tool()    { "$@" "$tool" --info many.exe; }
many_readelf() { "$@" readelf -S -W many.exe; }
extract_tool() { "$@" "$tool" --app-name big --mcpu tk-lum-gw3 -o out.bin big.exe; }
extract_dd()   { "$@" dd if=big.exe of=out.bin bs=4M skip="$entry_offset" count="$entry_bytes" \
                    iflag=skip_bytes,count_bytes status=none; }
extract_objcopy() { "$@" "$objcopy" --dump-section .lum_bin_big=out.bin big.exe /dev/null; }

listings=(info_tool info_readelf many_tool many_readelf)
extractions=(extract_tool extract_dd extract_objcopy)

# ------------------------------------------------------------ measuring
declare -A times peak

# seconds of one run of $1 (a loop of $repeat runs for a listing)
time_once() {
  local start end n=1
  case "$1" in extract_*) rm -f out.bin; sync; ;; *) n=$repeat ;; esac
  start=$EPOCHREALTIME
  for ((i = 0; i < n; i++)); do "$1" >/dev/null; done
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" -v n="$n" 'BEGIN { printf "%.6f", (e - s) / n }'
}

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for c in "${listings[@]}" "${extractions[@]}"; do
  "$c" >/dev/null || { echo "command failed: $c" >&2; exit 1; }
  case "$c" in extract_*) cmp -s out.bin big.entry || [ "$c" = extract_objcopy ] \
                            || { echo "$c: wrong bytes" >&2; exit 1; } ;; esac
  rm -f out.bin
  "$c" /usr/bin/time -o rss.txt -f '%M' >/dev/null
  peak[$c]=$(tail -1 rss.txt)
done

for ((r = 1; r <= rounds; r++)); do
  for c in "${listings[@]}" "${extractions[@]}"; do
    times[$c]="${times[$c]:-} $(time_once "$c")"
  done
done
rm -f out.bin rss.txt

# ------------------------------------------------------------ report
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) (shared: read the ratios)"
echo "big.exe $(stat -c %s big.exe) bytes, entry $entry_bytes bytes at $entry_offset; many.exe $apps apps"
printf '%-58s %10s %10s\n' "command (median of $rounds rounds)" "seconds" "peak MiB"
row() { printf '%-58s %10.4f %10.1f\n' "$1" "$(echo "${times[$2]}" | median)" "$(awk -v k="${peak[$2]}" 'BEGIN { print k / 1024 }')"; }
row "lumcc-extract --info big.exe" info_tool
row "readelf -S -W big.exe" info_readelf
row "lumcc-extract --app-name big --mcpu tk-lum-gw3 -o out.bin" extract_tool
row "dd of the entry's range (bs=4M)" extract_dd
row "llvm-objcopy --dump-section .lum_bin_big=out.bin" extract_objcopy
row "lumcc-extract --info many.exe ($apps apps)" many_tool
row "readelf -S -W many.exe" many_readelf

ratio() { awk -v a="$(echo "${times[$1]}" | median)" -v b="$(echo "${times[$2]}" | median)" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v lim="$2" 'BEGIN { print (v <= lim ? "ok" : "MISSED") }'; }
r_info=$(ratio info_tool info_readelf)
r_dd=$(ratio extract_tool extract_dd)
r_objcopy=$(ratio extract_tool extract_objcopy)
r_many=$(ratio many_tool many_readelf)
info_limit=$((32 * 1024))
extract_limit=$((entry_bytes / 1024 + 32 * 1024))
printf 'info / readelf           = %6s   (goal <= 10)    %s\n' "$r_info" "$(verdict "$r_info" 10)"
printf 'info peak                = %6d KiB (goal < %d) %s\n' "${peak[info_tool]}" "$info_limit" \
  "$(verdict "${peak[info_tool]}" $((info_limit - 1)))"
printf 'extract / dd             = %6s   (goal <= 1.0)   %s\n' "$r_dd" "$(verdict "$r_dd" 1.0)"
printf 'extract / llvm-objcopy   = %6s   (goal <= 0.7)   %s\n' "$r_objcopy" "$(verdict "$r_objcopy" 0.7)"
printf 'extract peak             = %6d KiB (goal <= entry + 32 MiB = %d) %s\n' "${peak[extract_tool]}" \
  "$extract_limit" "$(verdict "${peak[extract_tool]}" "$extract_limit")"
printf 'info many / readelf      = %6s\n' "$r_many"
