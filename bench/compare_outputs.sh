#!/usr/bin/env bash
# Byte-for-byte comparison of two lumivane-calc builds on generated meter logs.
#
#   bench/compare_outputs.sh OLD_CALC NEW_CALC [BENCH_GEN]
#
# Generates logs of all three layouts (bad statuses, long forms, LF-only and
# CR-only line ends, damaged and empty files), runs both programs on them with
# several scopes and with --each-month, --csv, --json and --export, and
# compares standard output, exit status and every file written; then the
# same logs with ISO 8601 time stamps against the day-first originals. The new
# program runs with its reader on one thread (LUMIVANE_THREADS=1), on all
# processors, and on three threads with parts of a few KiB, so that many line
# ends fall on part boundaries. BENCH_GEN defaults to lumivane-bench-gen beside
# NEW_CALC. Settings live in a throw-away HOME. Exit status 0 when every
# output is the same, 1 otherwise.
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 OLD_CALC NEW_CALC [BENCH_GEN]" >&2
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
gen=$(realpath "${3:-$(dirname "$new")/lumivane-bench-gen}")
for program in "$old" "$new" "$gen"; do
  [[ -x $program ]] || { echo "compare_outputs: $program is not an executable" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/lumivane-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Each program runs from a folder of its own holding the templates and
# pictures of the new build, so a bill of either comes from the same template.
resources=$(dirname "$new")
for side in old new; do
  mkdir -p "$work/$side"
  cp "${!side}" "$work/$side/lumivane-calc"
  cp "$resources"/*.html "$resources"/*.bmp "$resources"/*.jpg "$work/$side/"
done
old=$work/old/lumivane-calc
new=$work/new/lumivane-calc
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data XDG_CACHE_HOME=$work/home/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$work/logs"
cd "$work/logs"

# The logs: every layout, clean and damaged.
"$gen" --layout plain --start 1/1/2013 --interval-minutes 1 --days 365 --seed 7 --out year.csv
"$gen" --layout plain --start 1/3/2012 --interval-minutes 1 --days 31 --bad-status-every 13 --out month.csv
"$gen" --layout gateway --start 20/2/2012 --interval-minutes 2 --days 45 --bad-status-every 17 \
  --long-form-every 97 --out gateway.csv
"$gen" --layout gateway --start 1/6/2012 --interval-seconds 45 --days 20 --long-form-every 5 --decimals 6 \
  --out gateway-long.csv
"$gen" --layout logger --start 1/1/2012 --interval-minutes 5 --days 70 --out unit4.IRIO.txt
"$gen" --layout plain --start 1/3/2012 --interval-minutes 3 --days 40 --decimals 0 --out whole.csv
tr -d '\r' <month.csv >month-lf.csv
tr -d '\n' <gateway.csv >gateway-cr.csv
: >empty.csv
# A file cut in the middle of a line.
head -c 700001 year.csv >cut.csv
# Lines that are no readings, dates that are none, bare dates, a value that is no number late in a month.
awk 'NR % 1000 == 7 { print "0,31/02/2012 10:00,5\r" } NR % 1500 == 9 { print "junk\r" }
     NR % 2000 == 11 { print "\r" } NR % 700 == 5 { sub(/ [0-9:]+,/, ","); } { print }' month.csv >damaged.csv
awk 'NR == 20000 { print "0,14/03/2012 09:00,12,x4\r"; print "0,14/03/2012 09:01,abc\r" } { print }' \
  month.csv >bad-value.csv
awk 'NR == 30000 { print "s,14/03/2012 09:00,12\r" } { print }' month.csv >bad-status.csv
awk 'NR == 25000 { print "15-Mzr-2012 10:00:00.5,GW,15-Mzr-2012 10:00:00.5,kWh,1,x\r" } { print }' \
  gateway.csv >bad-month.csv
# A year whose months are broken up: a reading of January in July (the booked
# month again, after a step back), values that are no number, dates that are
# none, the no-reading value.
awk 'NR == 260000 { print "0,15/01/2013 10:00,10001.5\r" } NR % 50000 == 3 { print "0,14/05/2013 09:00,N/A\r" }
     NR % 70000 == 5 { print "0,31/02/2013 10:00,5\r" } NR % 90000 == 7 { print "0,14/06/2013 09:00,-499999\r" }
     { print }' year.csv >year-damaged.csv

logs=(year.csv year-damaged.csv month.csv gateway.csv gateway-long.csv unit4.IRIO.txt whole.csv month-lf.csv gateway-cr.csv
  empty.csv cut.csv damaged.csv bad-value.csv bad-status.csv bad-month.csv)
scopes=("" "--from 3/3/2012 --days 20" "--from 28/2/2012 --days 9" "--from 30/12/2013 --days 5")
modes=("" "--each-month" "--json" "--each-month --json" "--csv CSV" "--each-month --csv CSV" "--export --reports-dir OUT")

# Runs one program on one case into $work/run: stdout, exit status, files written.
run_case() {
  local program=$1 mode=$2 scope=$3
  shift 3
  rm -rf "$work/run"
  mkdir -p "$work/run"
  local args=()
  for word in $mode; do
    case $word in
    CSV) args+=("$work/run/csv") ;;
    OUT) args+=("$work/run/reports") ;;
    *) args+=("$word") ;;
    esac
  done
  # shellcheck disable=SC2086 # the scope is a list of words
  "$program" $scope "${args[@]}" "$@" >"$work/run/stdout" 2>"$work/run/stderr" && status=0 || status=$?
  echo "$status" >"$work/run/status"
}

cases=0
failures=0
# The old program's outputs for MODE SCOPE FILES..., kept as what the new one must give.
expect_old() {
  run_case "$old" "$@"
  rm -rf "$work/expected"
  mv "$work/run" "$work/expected"
}
# Counts one run of the new program against the old one's; names it when they differ.
# (Bills carry the time they were written; run_case leaves that out.)
tally() {
  cases=$((cases + 1))
  if ! diff -r "$work/expected" "$work/run" >"$work/diff"; then
    failures=$((failures + 1))
    echo "DIFFERENT: $*"
    head -20 "$work/diff"
  fi
}
compare_case() {
  local mode=$1 scope=$2
  shift 2
  expect_old "$mode" "$scope" "$@"
  for threads in "LUMIVANE_THREADS=1" "" "LUMIVANE_THREADS=3 LUMIVANE_PART_BYTES=4099"; do
    # shellcheck disable=SC2086 # the switches are words
    env $threads bash -c "$(declare -f run_case); work='$work'; run_case \"\$@\"" _ "$new" "$mode" "$scope" "$@"
    tally "${threads:-all processors} $mode $scope $*"
  done
}

for scope in "${scopes[@]}"; do
  for mode in "${modes[@]}"; do
    compare_case "$mode" "$scope" "${logs[@]}"
  done
  for log in "${logs[@]}"; do
    compare_case "" "$scope" "$log"
  done
done
compare_case "--set Multiplier=2.5 --set FromHour=6" "" year.csv gateway.csv
# The same names more than once (bills and CSVs get "-2" suffixes), and many files at once.
mkdir -p again
cp month.csv damaged.csv again/
for mode in "--export --reports-dir OUT --csv CSV" "--each-month --export --reports-dir OUT --csv CSV --json"; do
  compare_case "$mode" "" month.csv again/month.csv damaged.csv month.csv again/damaged.csv empty.csv cut.csv
done
compare_case "" "" "${logs[@]}" "${logs[@]}" "${logs[@]}"

# ISO 8601 twins: the same logs with "YYYY-MM-DDThh:mm" (and the other ISO
# spellings) must give what the old program gives on the day-first logs, once
# the time stamps shown as they stand are written back day first.
mkdir -p "$work/iso"
dmy='\b([0-9]{2})/([0-9]{2})/([0-9]{4}) ([0-9]{2}:[0-9]{2})'
sed -E "s#$dmy#\\3-\\2-\\1T\\4#" month.csv >"$work/iso/month.csv"
sed -E "s#$dmy#\\3-\\2-\\1T\\4Z#" year.csv >"$work/iso/year.csv"
sed -E "s#$dmy#\\3-\\2-\\1T\\4+01:00#" gateway.csv >"$work/iso/gateway.csv"
sed -E "s#$dmy:#\\3-\\2-\\1 \\4:#" unit4.IRIO.txt >"$work/iso/unit4.IRIO.txt"
# Back to day first; the JSON's own ISO fields ("T" and seconds) stay.
ymd='\b([0-9]{4})-([0-9]{2})-([0-9]{2})'
day_first="s#${ymd}T([0-9]{2}:[0-9]{2})(Z|\\+01:00)#\\3/\\2/\\1 \\4#g;
  s#${ymd}T([0-9]{2}:[0-9]{2})([^:0-9]|\$)#\\3/\\2/\\1 \\4\\5#g; s#${ymd} ([0-9]{2}:[0-9]{2}:[0-9]{2})#\\3/\\2/\\1 \\4#g"
iso_twin_case() {
  local mode=$1 scope=$2
  shift 2
  expect_old "$mode" "$scope" "$@"
  for threads in "LUMIVANE_THREADS=1" "LUMIVANE_THREADS=3 LUMIVANE_PART_BYTES=4099"; do
    (cd "$work/iso" && env $threads bash -c "$(declare -f run_case); work='$work'; run_case \"\$@\"" _ "$new" \
      "$mode" "$scope" "$@")
    find "$work/run" -type f -exec sed -E -i "$day_first" {} +
    tally "(ISO twin) ${threads} $mode $scope $*"
  done
}
for scope in "" "--from 3/3/2012 --days 20"; do
  for mode in "" "--each-month --json" "--csv CSV" "--export --reports-dir OUT"; do
    iso_twin_case "$mode" "$scope" month.csv year.csv gateway.csv unit4.IRIO.txt
  done
done

echo "compare_outputs: $cases runs, $failures different"
[[ $failures -eq 0 ]]
