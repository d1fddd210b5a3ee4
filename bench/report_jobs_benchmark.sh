#!/usr/bin/env bash
# Times kvdreport on many files at once, side by side in one run:
#   - 100 copies of examples/leaf_survey.kvd with -j 1 and -j 2;
#   - the generated file of OBJECTS rows alone, and four copies of it, with -j 1 and -j 2
#     (with peak memory: -j N holds at most N files at once);
#   - a folder of 1,000 small files (OBJECTS / 1000 rows each, the same total size as
#     the large file) in one process with -j 1, against one process per file.
# Prints the median wall time of each, with its CPU time (user + system) and, for the
# large files, peak RSS. On a loaded machine only the CPU times compare well.
#
# Usage: bench/report_jobs_benchmark.sh BUILD_DIR [OBJECTS] [REPETITIONS]
#   BUILD_DIR    a build with the targets kvdreport and kvd_generate (nothing is built here)
#   OBJECTS      object rows in the generated file (default 1000000)
#   REPETITIONS  timed runs of each case, alternating (default 5)
set -euo pipefail
# shellcheck source=benchmark_common.sh source-path=SCRIPTDIR
source "$(dirname "$0")/benchmark_common.sh"

benchmark_arguments "$@"
require_programs "$report" "$generate" /usr/bin/time
generate_benchmark_file
examples="$(cd "$(dirname "$0")/../examples" && pwd)"

mkdir "$work/copies" "$work/small" "$work/large"
for i in $(seq -w 1 100); do cp "$examples/leaf_survey.kvd" "$work/copies/leaf_$i.kvd"; done
for i in 1 2 3 4; do ln -s "$file" "$work/large/copy_$i.kvd"; done
small_objects=$(( objects / 1000 > 0 ? objects / 1000 : 1 ))
"$generate" "$work/small/template.kvd" "$small_objects"
for i in $(seq -w 1 1000); do cp "$work/small/template.kvd" "$work/small/part_$i.kvd"; done
rm "$work/small/template.kvd"

export LC_ALL=C
# timed NAME COMMAND...: appends "wall-seconds kib cpu-seconds" of one run to
# $work/NAME.times (the wall time to the millisecond).
timed() {
  local name=$1; shift
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f '%M %U %S' -o "$work/$name.last" "$@" > /dev/null
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" '{ printf "%.3f %d %.2f\n", (b - a) / 1e9, $1, $2 + $3 }' "$work/$name.last" \
    >> "$work/$name.times"
}
one_process_per_file() {
  for f in "$work"/small/*.kvd; do "$report" "$f"; done
}
export -f one_process_per_file
export report work

"$report" -j 2 "$file" "$work"/small/*.kvd > /dev/null # warm the page cache
for _ in $(seq "$repetitions"); do
  timed copies_j1 "$report" -j 1 "$work"/copies/*.kvd
  timed copies_j2 "$report" -j 2 "$work"/copies/*.kvd
  timed large_j1 "$report" -j 1 "$file"
  timed large_j2 "$report" -j 2 "$file"
  timed large4_j1 "$report" -j 1 "$work"/large/*.kvd
  timed large4_j2 "$report" -j 2 "$work"/large/*.kvd
  timed small_one_process "$report" -j 1 "$work"/small/*.kvd
  timed small_per_file bash -c one_process_per_file
done

median() { cut -d' ' -f"$2" "$work/$1.times" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
line() {
  printf '%-52s %7s s  (CPU %6s s)' "$1" "$(median "$2" 1)" "$(median "$2" 3)"
  if [ -n "${3:-}" ]; then printf '   peak RSS %5d MiB' $(( $(median "$2" 2) / 1024 )); fi
  echo
}

echo "large file: $objects objects, $(( $(stat -c %s "$file") / 1048576 )) MiB; $(nproc) processors," \
  "load average $(cut -d' ' -f1 /proc/loadavg); median of $repetitions runs"
line "100 copies of leaf_survey.kvd, -j 1" copies_j1
line "100 copies of leaf_survey.kvd, -j 2" copies_j2
line "large file, -j 1" large_j1 rss
line "large file, -j 2" large_j2 rss
line "4 copies of the large file, -j 1" large4_j1 rss
line "4 copies of the large file, -j 2" large4_j2 rss
line "1000 files of $small_objects objects, one process (-j 1)" small_one_process rss
line "1000 files of $small_objects objects, one process per file" small_per_file
