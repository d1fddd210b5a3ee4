#!/usr/bin/env bash
# Times kvdreport on two files that differ only in their sources, side by side in one
# run: a source of its own for every object, each named "src_" and a few letters and
# digits, the names of one file taken as they come, those of the other crafted so that
# an unkeyed hash (FNV-1a 64 and a fixed finaliser, as the tables once used) sends
# them all to one run of table slots. With keyed hashes the crafted file costs what
# the ordinary one does; prints the ratio of their CPU times.
#
# Usage: bench/hash_flooding_benchmark.sh BUILD_DIR [OBJECTS] [REPETITIONS]
#   BUILD_DIR    a build with the targets kvdreport and kvd_generate (nothing is built here)
#   OBJECTS      object rows in each generated file (default 200000)
#   REPETITIONS  timed runs of each file, alternating (default 5)
set -euo pipefail
# shellcheck source=benchmark_common.sh source-path=SCRIPTDIR
source "$(dirname "$0")/benchmark_common.sh"

benchmark_arguments "$1" "${2:-200000}" "${3:-5}"
require_programs "$report" "$generate" /usr/bin/time
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$generate" "$work/ordinary.kvd" "$objects" 20240611 uncrafted
"$generate" "$work/crafted.kvd" "$objects" 20240611 crafted

export LC_ALL=C
# timed NAME: appends "cpu-seconds wall-seconds" of one run on $work/NAME.kvd to $work/NAME.times.
timed() {
  /usr/bin/time -f '%U %S %e' -o "$work/$1.last" "$report" "$work/$1.kvd" > /dev/null
  awk '{ printf "%.2f %s\n", $1 + $2, $3 }' "$work/$1.last" >> "$work/$1.times"
}

"$report" "$work/ordinary.kvd" > /dev/null # warm the page cache
for _ in $(seq "$repetitions"); do
  timed ordinary
  timed crafted
done

median() { cut -d' ' -f1 "$work/$1.times" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
echo "files: $objects objects, a source per object; ordinary $(( $(stat -c %s "$work/ordinary.kvd") / 1048576 )) MiB," \
     "crafted $(( $(stat -c %s "$work/crafted.kvd") / 1048576 )) MiB"
echo "CPU runs, ordinary sources (s): $(cut -d' ' -f1 "$work/ordinary.times" | tr '\n' ' ')"
echo "CPU runs, crafted sources (s):  $(cut -d' ' -f1 "$work/crafted.times" | tr '\n' ' ')"
awk -v c="$(median crafted)" -v o="$(median ordinary)" \
  'BEGIN { printf "median CPU: %.2f s against %.2f s, ratio %.2f (target <= 1.50)\n", c, o, c / o }'
