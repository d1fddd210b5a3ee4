#!/usr/bin/env bash
# Times opening a large KVD file in the viewer (from the call of OpenDataFile to the
# drawn window, off screen) against kvdreport printing the summary of the same file,
# side by side in one run, and prints the medians and their ratio, with the times of
# scrolling the data grid to its last row and of resizing a column.
#
# Usage: bench/viewer_benchmark.sh BUILD_DIR [OBJECTS] [REPETITIONS]
#   BUILD_DIR    a build with kvdreport, kvd_generate and viewer_open_bench
#   OBJECTS      object rows in the generated file (default 1000000)
#   REPETITIONS  timed runs of each program, alternating (default 5)
set -euo pipefail
# shellcheck source=benchmark_common.sh source-path=SCRIPTDIR
source "$(dirname "$0")/benchmark_common.sh"

benchmark_arguments "$@"
viewer="$build/bench/viewer_open_bench"
require_programs "$report" "$generate" "$viewer"
generate_benchmark_file

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: > "$work/report.txt"; : > "$work/open.txt"; : > "$work/scroll.txt"; : > "$work/resize.txt"
for _ in $(seq "$repetitions"); do
  start=$(date +%s%N)
  "$report" "$file" > /dev/null
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f\n", (b - a) / 1e6 }' >> "$work/report.txt"
  line=$(QT_QPA_PLATFORM=offscreen "$viewer" "$file" 2>/dev/null)
  for key in open scroll resize; do
    echo "$line" | tr ' ' '\n' | sed -n "s/^${key}_ms=//p" >> "$work/$key.txt"
  done
done

report_ms=$(median < "$work/report.txt")
open_ms=$(median < "$work/open.txt")
echo "objects: $objects, repetitions: $repetitions"
echo "kvdreport (whole process): ${report_ms} ms"
echo "viewer open (OpenDataFile to drawn window): ${open_ms} ms"
echo "ratio viewer/kvdreport: $(awk -v a="$open_ms" -v b="$report_ms" 'BEGIN { printf "%.2f", a / b }')"
echo "scroll to last row: $(median < "$work/scroll.txt") ms; resize a column: $(median < "$work/resize.txt") ms"
