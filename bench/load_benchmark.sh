#!/usr/bin/env bash
# Times kvdreport loading a large KVD file against three yardsticks, side by side in
# one run: kvd_floor (maps the file, splits every field and converts every measurement
# with std::from_chars, one thread: the least work a sum can cost), kvd_floor
# --two-passes (the same, then every value read again for the squared deviations from
# the mean, as a standard deviation without 8 bytes a value of memory needs), and GNU
# datamash (mean, sample standard deviation, minimum and maximum of the same twelve
# columns).
# The same is done on a file four times as long, to show that the load is linear.
# Prints the median wall and CPU time and the peak memory of each, and every ratio
# against its target.
#
# Usage: bench/load_benchmark.sh BUILD_DIR [OBJECTS] [REPETITIONS]
#   BUILD_DIR    a build with kvdreport, kvd_generate and kvd_floor (nothing is built here)
#   OBJECTS      object rows of the first file (default 1000000); the second has 4 times as many
#   REPETITIONS  timed runs of each program, alternating (default 5)
set -euo pipefail
# shellcheck source=benchmark_common.sh source-path=SCRIPTDIR
source "$(dirname "$0")/benchmark_common.sh"

benchmark_arguments "$@"
floor="$build/bench/kvd_floor"
require_programs "$report" "$generate" "$floor" /usr/bin/time
command -v datamash >/dev/null || { echo "missing: datamash" >&2; exit 1; }
generate_benchmark_file
export LC_ALL=C

operations=()
for column in $(seq 3 14); do
  operations+=(mean "$column" sstdev "$column" min "$column" max "$column")
done

# timed NAME COMMAND...: appends "wall cpu kib" of one run to $work/NAME.times.
timed() {
  local name=$1; shift
  /usr/bin/time -f '%e %U %S %M' -o "$work/$name.last" "$@" > "$work/$name.out"
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/$name.last" >> "$work/$name.times"
}
median() { cut -d' ' -f"$2" "$work/$1.times" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# measure ROWS FILE: times the three programs on FILE, with the results named by ROWS.
measure() {
  local rows=$1 path=$2
  # datamash reads the data lines only: no header, no column names, no CR.
  local data_start=$(( $(grep -n -m1 '^\[Data\]' "$path" | cut -d: -f1) + 2 ))
  tail -n +"$data_start" "$path" | tr -d '\r' > "$work/table.txt"
  "$report" "$path" > /dev/null; "$floor" "$path" > /dev/null # warm the page cache
  for _ in $(seq "$repetitions"); do
    timed "floor$rows" "$floor" "$path"
    timed "floor2$rows" "$floor" --two-passes "$path"
    timed "kvdreport$rows" "$report" "$path"
    timed "datamash$rows" sh -c 'exec datamash -t ";" "$@" < "$0"' "$work/table.txt" "${operations[@]}"
  done
  rm -f "$work/table.txt"
}

big_objects=$(( 4 * objects ))
measure "$objects" "$file"
file_bytes=$(stat -c %s "$file")
rm -f "$file"
big_file="$work/big.kvd"
"$generate" "$big_file" "$big_objects"
big_bytes=$(stat -c %s "$big_file")
measure "$big_objects" "$big_file"

echo "load average at the start of the summary: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
printf '%-10s %-10s %8s %8s %9s\n' rows program "wall s" "CPU s" "peak MiB"
for rows in "$objects" "$big_objects"; do
  for program in floor floor2 kvdreport datamash; do
    printf '%-10s %-10s %8s %8s %9d\n' "$rows" "$program" "$(median "$program$rows" 1)" \
      "$(median "$program$rows" 2)" $(( $(median "$program$rows" 3) / 1024 ))
  done
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
for rows in "$objects" "$big_objects"; do
  bytes=$file_bytes; [ "$rows" = "$big_objects" ] && bytes=$big_bytes
  bound_kib=$(( (bytes + 16 * rows) / 1024 + 16 * 1024 ))
  echo "$rows rows ($(( bytes >> 20 )) MiB):"
  echo "  kvdreport/floor CPU:  $(ratio "$(median "kvdreport$rows" 2)" "$(median "floor$rows" 2)") (target <= 1.50)"
  echo "  kvdreport/floor wall: $(ratio "$(median "kvdreport$rows" 1)" "$(median "floor$rows" 1)") (target <= 1.00)"
  echo "  two-pass floor/floor CPU: $(ratio "$(median "floor2$rows" 2)" "$(median "floor$rows" 2)"); kvdreport/two-pass floor CPU: $(ratio "$(median "kvdreport$rows" 2)" "$(median "floor2$rows" 2)")"
  echo "  kvdreport/datamash wall: $(ratio "$(median "kvdreport$rows" 1)" "$(median "datamash$rows" 1)")"
  echo "  kvdreport peak RSS / (file + 16 B a row + 16 MiB): $(ratio "$(median "kvdreport$rows" 3)" "$bound_kib") (target <= 1.00)"
done
echo "linearity, kvdreport CPU for 4x the rows: $(ratio "$(median "kvdreport$big_objects" 2)" "$(median "kvdreport$objects" 2)")x (target 4.00), wall: $(ratio "$(median "kvdreport$big_objects" 1)" "$(median "kvdreport$objects" 1)")x"
echo "first measurement column, kvdreport: $(grep -m1 -P '^Area\t' "$work/kvdreport$objects.out" | tr '\t' ' ')"
echo "first measurement column, datamash (mean sstdev min max): $(cut -d';' -f1-4 "$work/datamash$objects.out" | tr ';' ' ')"
