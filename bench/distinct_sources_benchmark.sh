#!/usr/bin/env bash
# Times kvdreport on two files that differ only in their sources, side by side in one
# run: the load benchmark file (a few sources) and the same file with a source of its
# own for every object (as many distinct sources as objects). Prints the ratio of
# their CPU times and what each distinct source costs in peak memory.
#
# Usage: bench/distinct_sources_benchmark.sh BUILD_DIR [OBJECTS] [REPETITIONS]
#   BUILD_DIR    a build with the targets kvdreport and kvd_generate (nothing is built here)
#   OBJECTS      object rows in each generated file (default 1000000)
#   REPETITIONS  timed runs of each file, alternating (default 5)
set -euo pipefail
# shellcheck source=benchmark_common.sh source-path=SCRIPTDIR
source "$(dirname "$0")/benchmark_common.sh"

benchmark_arguments "$@"
require_programs "$report" "$generate" /usr/bin/time
generate_benchmark_file
distinct="$work/distinct.kvd"
"$generate" "$distinct" "$objects" 20240611 per-object

export LC_ALL=C
# timed NAME FILE: appends "cpu-seconds wall-seconds kib" of one run to $work/NAME.times.
timed() {
  /usr/bin/time -f '%U %S %e %M' -o "$work/$1.last" "$report" "$2" > "$work/$1.out"
  awk '{ printf "%.2f %s %s\n", $1 + $2, $3, $4 }' "$work/$1.last" >> "$work/$1.times"
}

"$report" "$file" > /dev/null; "$report" "$distinct" > /dev/null # warm the page cache
for _ in $(seq "$repetitions"); do
  timed few "$file"
  timed distinct "$distinct"
done

median() { cut -d' ' -f"$2" "$work/$1.times" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
few_cpu=$(median few 1); distinct_cpu=$(median distinct 1)
few_kib=$(median few 3); distinct_kib=$(median distinct 3)
distinct_bytes=$(stat -c %s "$distinct")

echo "files: $objects objects; few sources $(( $(stat -c %s "$file") / 1048576 )) MiB," \
     "one source per object $(( distinct_bytes / 1048576 )) MiB"
echo "CPU runs, few sources (s):     $(cut -d' ' -f1 "$work/few.times" | tr '\n' ' ')"
echo "CPU runs, distinct sources (s): $(cut -d' ' -f1 "$work/distinct.times" | tr '\n' ' ')"
awk -v d="$distinct_cpu" -v f="$few_cpu" \
  'BEGIN { printf "median CPU: %.2f s against %.2f s, ratio %.2f (target <= 1.50)\n", d, f, d / f }'
awk -v d="$distinct_kib" -v f="$few_kib" -v n="$objects" -v s="$distinct_bytes" 'BEGIN {
  printf "peak RSS: %d MiB against %d MiB, %.1f bytes more per distinct source\n", d / 1024, f / 1024, (d - f) * 1024 / n
  printf "peak RSS over the file size: %.1f bytes per distinct source (target <= 64)\n", (d * 1024 - s) / n
}'
