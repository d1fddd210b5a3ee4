#!/usr/bin/env bash
# Times kvdreport loading a large KVD file against GNU datamash computing the mean,
# sample standard deviation, minimum and maximum of the same twelve measurement
# columns, side by side in one run, and reports kvdreport's peak memory against the
# file size.
#
# Usage: bench/load_benchmark.sh BUILD_DIR [OBJECTS] [REPETITIONS]
#   BUILD_DIR    a build with the targets kvdreport and kvd_generate (nothing is built here)
#   OBJECTS      object rows in the generated file (default 1000000)
#   REPETITIONS  timed runs of each program, alternating (default 5)
set -euo pipefail
# shellcheck source=benchmark_common.sh source-path=SCRIPTDIR
source "$(dirname "$0")/benchmark_common.sh"

benchmark_arguments "$@"
require_programs "$report" "$generate" /usr/bin/time
command -v datamash >/dev/null || { echo "missing: datamash" >&2; exit 1; }
generate_benchmark_file
file_kib=$(( $(stat -c %s "$file") / 1024 ))

# datamash reads the data lines only: no header, no column names, no CR.
data_start=$(( $(grep -n -m1 '^\[Data\]' "$file" | cut -d: -f1) + 2 ))
tail -n +"$data_start" "$file" | tr -d '\r' > "$work/table.txt"
operations=()
for column in $(seq 3 14); do
  operations+=(mean "$column" sstdev "$column" min "$column" max "$column")
done

export LC_ALL=C
run_report()   { "$report" "$file" > "$work/report.out"; }
run_datamash() { datamash -t ';' "${operations[@]}" < "$work/table.txt" > "$work/datamash.out"; }

# timed NAME FUNCTION: appends "seconds kib" of one run to $work/NAME.times.
timed() {
  /usr/bin/time -f '%e %M' -o "$work/$1.last" bash -c "$(declare -f "$2"); $(declare -p work file report operations); $2"
  cat "$work/$1.last" >> "$work/$1.times"
}

run_report; run_datamash # warm the page cache
for _ in $(seq "$repetitions"); do
  timed kvdreport run_report
  timed datamash run_datamash
done

median() { cut -d' ' -f"$2" "$work/$1.times" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
report_s=$(median kvdreport 1)
datamash_s=$(median datamash 1)
report_kib=$(median kvdreport 2)

echo "file: $objects objects, $(( file_kib / 1024 )) MiB"
echo "kvdreport runs (s): $(cut -d' ' -f1 "$work/kvdreport.times" | tr '\n' ' ')"
echo "datamash runs (s):  $(cut -d' ' -f1 "$work/datamash.times" | tr '\n' ' ')"
echo "median kvdreport: ${report_s} s, datamash: ${datamash_s} s"
awk -v r="$report_s" -v d="$datamash_s" 'BEGIN { printf "time ratio kvdreport/datamash: %.2f (target <= 0.50)\n", r / d }'
awk -v m="$report_kib" -v f="$file_kib" \
  'BEGIN { printf "kvdreport peak RSS: %d MiB = %.2f x file size (target <= 1.50)\n", m / 1024, m / f }'
echo "first measurement column, kvdreport: $(grep -m1 -P '^Area\t' "$work/report.out" | tr '\t' ' ')"
echo "first measurement column, datamash (mean sstdev min max): $(cut -d';' -f1-4 "$work/datamash.out" | tr ';' ' ')"
