#!/usr/bin/env bash
# Graph benchmark: a run of 36 files of a year of 1-minute readings each,
# with the kWh graph off, with the graph panel, and with every rectangle drawn
# as it comes.
#
#   bench/run_graph_bench.sh [BUILD_DIR] [PASSES]
#
# BUILD_DIR (default: build) must already hold bin/lumivane-graph-bench and
# bin/lumivane-bench-gen; this script builds nothing. PASSES (default 3): the
# best time of each way is reported.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${1:-build}
passes=${2:-3}
if [[ ! -d $build && -d $root/$build ]]; then
  build=$root/$build
fi
bench=$build/bin/lumivane-graph-bench
gen=$build/bin/lumivane-bench-gen
for program in "$bench" "$gen"; do
  if [[ ! -x $program ]]; then
    echo "run_graph_bench: $program is missing; build the targets lumivane-graph-bench and lumivane-bench-gen first" >&2
    exit 2
  fi
done
if ! [[ $passes =~ ^[0-9]+$ ]] || (( passes < 1 )); then
  echo "run_graph_bench: PASSES must be a whole number of at least 1" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/lumivane-graph-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data XDG_CACHE_HOME=$work/home/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"

# Six different sites, each selected six times: 36 files, the most a run takes.
echo "Generating logs in $work ..."
files=()
for site in 1 2 3 4 5 6; do
  "$gen" --layout plain --start 1/1/2013 --interval-minutes 1 --lines 525600 --seed "$site" \
    --base-kw "$site" --peak-kw $((site * 5)) --out "$work/site$site.csv"
done
for copy in 1 2 3 4 5 6; do
  for site in 1 2 3 4 5 6; do
    files+=("$work/site$site.csv")
  done
done

"$bench" --passes "$passes" "${files[@]}"
echo
echo "Load average: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo unknown); $(nproc) CPU(s); $(uname -sr)."
