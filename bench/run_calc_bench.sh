#!/usr/bin/env bash
# Calculation benchmark: times lumivane-calc on generated meter logs beside
# `wc -l` on the same files in the same run, and measures its peak memory.
#
#   bench/run_calc_bench.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR (default: build) must already hold bin/lumivane-calc and
# bin/lumivane-bench-gen; this script builds nothing. RUNS (default 7) is the
# number of timed runs per case; the median is reported. Settings and reports
# live in a throw-away HOME, so the real per-user store is never read or touched.
set -euo pipefail

if [[ -z ${EPOCHREALTIME:-} ]]; then
  echo "run_calc_bench: needs bash 5 or later (EPOCHREALTIME)" >&2
  exit 2
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${1:-build}
runs=${2:-7}
if [[ ! -d $build && -d $root/$build ]]; then
  build=$root/$build
fi
calc=$build/bin/lumivane-calc
gen=$build/bin/lumivane-bench-gen
for program in "$calc" "$gen"; do
  if [[ ! -x $program ]]; then
    echo "run_calc_bench: $program is missing; build the targets lumivane-calc and lumivane-bench-gen first" >&2
    exit 2
  fi
done
if ! [[ $runs =~ ^[0-9]+$ ]] || (( runs < 1 )); then
  echo "run_calc_bench: RUNS must be a whole number of at least 1" >&2
  exit 2
fi

# Peak memory needs GNU time; install it when we may.
gnu_time=/usr/bin/time
if [[ ! -x $gnu_time ]]; then
  if [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null; then
    apt-get install -y time >/dev/null 2>&1 || true
  fi
  [[ -x $gnu_time ]] || { echo "run_calc_bench: /usr/bin/time not found; peak memory is not measured" >&2; gnu_time=; }
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/lumivane-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data XDG_CACHE_HOME=$work/home/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"

echo "Generating logs in $work ..."
"$gen" --layout plain --start 1/3/2012 --interval-minutes 1 --days 31 --out "$work/month.csv"
"$gen" --layout plain --start 1/1/2013 --interval-minutes 1 --days 365 --seed 7 --out "$work/year.csv"
"$gen" --layout plain --start 1/3/2012 --interval-minutes 30 --lines 2 --out "$work/tiny.csv"
mkdir -p "$work/many"
many=()
for i in $(seq -w 1 36); do
  cp "$work/month.csv" "$work/many/site$i.csv"
  many+=("$work/many/site$i.csv")
done

# Median wall time and median CPU time (user + system), in milliseconds, of
# running "$@" $runs times with the output discarded. Timed with bash's own
# `time`: forking `date` around each run would cost more than `wc -l` itself.
median_ms() {
  local walls=() cpus=() line real user sys
  "$@" >/dev/null 2>&1 || true  # warm the page cache and the loader
  for ((r = 0; r < runs; r++)); do
    line=$( { TIMEFORMAT='%3R %3U %3S'; time "$@" >/dev/null 2>&1 || true; } 2>&1 )
    read -r real user sys <<<"$line"
    walls+=("$real")
    cpus+=("$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')")
  done
  local wall cpu
  wall=$(printf '%s\n' "${walls[@]}" | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] * 1000 }')
  cpu=$(printf '%s\n' "${cpus[@]}" | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] * 1000 }')
  echo "$wall $cpu"
}

# Peak resident set size of "$@" in KiB.
peak_kib() {
  [[ -n $gnu_time ]] || { echo 0; return; }
  "$gnu_time" -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }'
}

# The command must work before it is timed.
if ! "$calc" "$work/month.csv" >/dev/null; then
  echo "run_calc_bench: lumivane-calc failed on the generated month; nothing to time" >&2
  exit 1
fi

printf '\n%-24s %6s %9s | %8s %7s %10s | %7s %6s | %8s %7s %6s | %5s\n' \
  case MB lines "calc ms" "MB/s" "lines/s" "wc ms" ratio "calc cpu" "wc cpu" ratio load
report() {
  local name=$1; shift
  local bytes lines calc_ms wc_ms
  bytes=$(cat "$@" | wc -c)
  lines=$(cat "$@" | wc -l)
  calc_ms=$(median_ms "$calc" "$@")
  wc_ms=$(median_ms wc -l "$@")
  # Other work on the machine slows both sides unevenly: the load goes beside every figure.
  load=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo "?")
  awk -v n="$name" -v b="$bytes" -v l="$lines" -v c="$calc_ms" -v w="$wc_ms" -v a="$load" 'BEGIN {
    split(c, cm, " "); split(w, wm, " ")
    s = cm[1] / 1000; if (s <= 0) s = 0.001
    wr = wm[1] > 0 ? cm[1] / wm[1] : 0; cr = wm[2] > 0 ? cm[2] / wm[2] : 0
    printf "%-24s %6.1f %9d | %8.0f %7.1f %10.0f | %7.0f %6.1f | %8.0f %7.0f %6.1f | %5s\n",
      n, b / 1e6, l, cm[1], b / 1e6 / s, l / s, wm[1], wr, cm[2], wm[2], cr, a
  }'
}
report "start-up (2 readings)" "$work/tiny.csv"
report "(a) month, 1-min" "$work/month.csv"
report "(b) year, 1-min" "$work/year.csv"
report "(c) 36 x month, 1-min" "${many[@]}"

if [[ -n $gnu_time ]]; then
  echo
  for case in b c; do
    if [[ $case == b ]]; then kib=$(peak_kib "$calc" "$work/year.csv"); label="(b) year"
    else kib=$(peak_kib "$calc" "${many[@]}"); label="(c) 36 x month"; fi
    awk -v n="$label" -v k="$kib" 'BEGIN { printf "peak RSS %-16s %7.1f MiB\n", n, k / 1024 }'
  done
fi
echo
echo "Targets: (b) and (c) at most 4 x the time of wc -l on the same files; peak RSS on (b) under 48 MiB."
echo "ms are medians; \"cpu\" is user + system time (10 ms granularity on some kernels), less"
echo "sensitive than wall time to other work on the machine. Load average: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo unknown)."
echo "$(nproc) CPU(s); $(uname -sr); runs per case: $runs (median)."
