#!/usr/bin/env bash
# Peak memory and time of kvdreport, and of the viewer's load, on the inputs that
# used to make memory run away: a huge header, ten million duplicate rows, ten
# million unique rows of one source, a file that grows while it is read, and endless
# input; and outputs far larger than their file: --check of a tenth as many rows with
# ten invalid cells each, and --format=json of the duplicate rows and of rows that
# come in pairs. Prints, for each, the peak RSS against the file size and against
# its bound:
#   kvdreport: 2 x file size + 16 MiB (endless or growing input: 4 GiB + 16 MiB)
#   kvdreport --check and --format=json: file size + 16 B a row + 16 MiB
#   viewer:    3 x file size + 2 x report text + 16 MiB
#
# Usage: bench/memory_bounds_benchmark.sh BUILD_DIR [ROWS]
#   BUILD_DIR  a build with kvdreport and viewer_open_bench (nothing is built here)
#   ROWS       rows of the duplicate and unique files, and five times the header
#              lines (default 10000000)
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "Usage: $0 BUILD_DIR [ROWS]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
rows=${2:-10000000}
report="$build/report/kvdreport"
viewer="$build/bench/viewer_open_bench"
# shellcheck source=bench/benchmark_common.sh
source "$(dirname "$0")/benchmark_common.sh"
require_programs "$report" "$viewer" /usr/bin/time
work=$(mktemp -d)
writer=""
cleanup() {
  if [ -n "$writer" ]; then kill "$writer" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export LC_ALL=C QT_QPA_PLATFORM=offscreen
limit_kib=$(( 4 * 1024 * 1024 ))

# The files of the table.
{ printf 'KVD\r\n'; head -n $(( rows * 5 )) < <(yes a); printf '[Data]\r\nId;Src;A\r\n1;s;2\r\n'; } > "$work/header.kvd"
{ printf 'KVD\r\n[Data]\r\nId;Src;A;B\r\n'; head -n "$rows" < <(yes 'a;b;1;2'); } > "$work/duplicates.kvd"
{ printf 'KVD\r\n[Data]\r\nId;Src;A;B\r\n'
  awk -v n="$rows" 'BEGIN { for (i = 0; i < n; i++) printf "object%d;src;%d.5;%d\r\n", i, i % 1000, i % 97 }'; } \
  > "$work/unique.kvd"

{ printf 'KVD\r\n[Data]\r\nId;Src;A;B;C;D;E;F;G;H;I;J\r\no;s;1;1;1;1;1;1;1;1;1;1\r\n'
  awk -v n="$(( rows / 10 ))" 'BEGIN { for (i = 1; i < n; i++) printf "o%d;s;x;x;x;x;x;x;x;x;x;x\r\n", i }'; } \
  > "$work/invalid.kvd"
{ printf 'KVD\r\n[Data]\r\nId;Src;A;B\r\n'
  awk -v n="$rows" 'BEGIN { for (i = 0; i < n; i++) printf "k%d;s;1;2\r\n", i / 2 }'; } > "$work/pairs.kvd"

kib_of() { echo $(( $(stat -c %s "$1") / 1024 )); }

# row NAME SIZE_KIB BOUND_KIB COMMAND...: runs COMMAND under /usr/bin/time and prints
# its line of the table.
row() {
  local name=$1 size_kib=$2 bound_kib=$3
  shift 3
  local status=0
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" > "$work/out" 2> "$work/err" || status=$?
  local seconds kib
  read -r seconds kib < <(tail -n 1 "$work/time")
  local verdict="within"
  [ "$kib" -le "$bound_kib" ] || verdict="OVER"
  if [ "$size_kib" -gt 0 ]; then
    printf '%-34s %7d MiB %7d MiB %6.2fx  bound %6d MiB %-6s %7.1f s  exit %d\n' "$name" $(( size_kib / 1024 )) \
      $(( kib / 1024 )) "$(awk -v m="$kib" -v f="$size_kib" 'BEGIN { print m / f }')" $(( bound_kib / 1024 )) \
      "$verdict" "$seconds" "$status"
  else
    printf '%-34s %11s %7d MiB %7s   bound %6d MiB %-6s %7.1f s  exit %d\n' "$name" "-" $(( kib / 1024 )) "-" \
      $(( bound_kib / 1024 )) "$verdict" "$seconds" "$status"
  fi
  if [ "$status" -ne 0 ]; then sed -n '1p' "$work/err" | cut -c1-160 | sed 's/^/    /'; fi
}

report_bound() { echo $(( 2 * $1 + 16 * 1024 )); }
# streamed_bound SIZE_KIB ROWS: the file, 16 bytes a row and 16 MiB.
streamed_bound() { echo $(( $1 + 16 * $2 / 1024 + 16 * 1024 )); }

printf '%-34s %11s %11s %7s   %-17s %-6s %9s\n' "input" "size" "peak RSS" "ratio" "bound" "" "time"
echo "kvdreport"
for file in header duplicates unique; do
  size=$(kib_of "$work/$file.kvd")
  row "  $file.kvd" "$size" "$(report_bound "$size")" "$report" "$work/$file.kvd"
done

# Outputs of gigabytes go to /dev/null (the shell execs kvdreport: time measures it).
to_null=(sh -c 'exec "$0" "$@" > /dev/null')
row "  invalid.kvd --check" "$(kib_of "$work/invalid.kvd")" \
  "$(streamed_bound "$(kib_of "$work/invalid.kvd")" $(( rows / 10 )))" "${to_null[@]}" "$report" --check "$work/invalid.kvd"
for file in duplicates pairs; do
  size=$(kib_of "$work/$file.kvd")
  row "  $file.kvd --format=json" "$size" "$(streamed_bound "$size" "$rows")" \
    "${to_null[@]}" "$report" --format=json "$work/$file.kvd"
done

# A file growing at about 80 MB/s while it is read, by whole rows.
chunk="$work/chunk"
head -n 932067 < <(yes 'a;b;1;2') | sed 's/$/\r/' > "$chunk" # 8 MiB
cp "$work/duplicates.kvd" "$work/growing.kvd"
( while :; do cat "$chunk" >> "$work/growing.kvd"; sleep 0.1; done ) &
writer=$!
row "  growing.kvd (80 MB/s)" 0 $(( limit_kib + 16 * 1024 )) "$report" "$work/growing.kvd"
kill "$writer"; wait "$writer" 2>/dev/null || true; writer=""
rm -f "$work/growing.kvd"

row "  /dev/zero" 0 $(( limit_kib + 16 * 1024 )) timeout 600 "$report" /dev/zero
row "  yes | kvdreport /dev/stdin" 0 $(( limit_kib + 16 * 1024 )) \
  timeout 600 bash -c 'yes | "$0" /dev/stdin' "$report"

echo "viewer (load of one file, off screen)"
for file in header duplicates unique; do
  size=$(kib_of "$work/$file.kvd")
  "$report" "$work/$file.kvd" > "$work/report.txt" 2>/dev/null || true
  text_kib=$(kib_of "$work/report.txt")
  row "  $file.kvd (report $(( text_kib / 1024 )) MiB)" "$size" $(( 3 * size + 2 * text_kib + 16 * 1024 )) \
    "$viewer" "$work/$file.kvd"
done
