#!/usr/bin/env bash
# Starts the real viewer on a virtual X server, sends SIGTERM while it is busy, and
# checks that it ends within a bound and leaves the data folder as it was. Two cases:
# a large file in the middle of its load, and a load waiting in a warning box.
# Usage: terminate_busy_viewer_test.sh KVDVIEWER
set -euo pipefail
viewer=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/real_viewer_setup.sh"
make_work_folder
mkdir "$work/data"

# About 20 million rows (400 MB): the load lasts seconds.
{
  printf 'KVD 2.1\r\n[Image]\r\nPixel=0.1\r\n[Data]\r\nObject;Source;Area;Length\r\n'
  yes '17;img;12.5;3.25'$'\r' | head -n 20000000 || true # yes ends on a closed pipe
} > "$work/data/large.kvd"
# A column that turns to words: the load stops in a box that nobody closes.
printf 'KVD\r\n[Data]\r\nObject;Source;Area\r\n1;s;1\r\n2;s;words\r\n' > "$work/data/warning.kvd"

cat > "$work/inside.sh" <<'INSIDE'
set -u
viewer=$1 file=$2 work=$3 ready=$4
"$viewer" "$file" > "$work/viewer.log" 2>&1 &
pid=$!
windows() { xwininfo -root -tree 2>/dev/null | grep -c '"KVD Viewer"'; }
busy=no
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || break
  case $ready in
    box) [ "$(windows)" -ge 2 ] && { busy=yes; break; } ;;
    # The file open, or its bytes held while the user-interface thread runs.
    reading) [ "$(windows)" -ge 1 ] && { ls -l "/proc/$pid/fd" 2>/dev/null | grep -q large.kvd \
               || { [ "$(awk '{print $3}' "/proc/$pid/task/$pid/stat" 2>/dev/null)" = R ] \
                    && [ "$(awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null)" -gt 200000 ]; }; } \
             && { busy=yes; break; } ;;
  esac
  sleep 0.02
done
start=$(date +%s%N)
kill -TERM "$pid" 2>/dev/null
# At most 10 s; a viewer still there then is ended for good.
for _ in $(seq 500); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.02
done
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
kill -KILL "$pid" 2>/dev/null
wait "$pid"
status=$?
echo "busy=$busy status=$status elapsed_ms=$elapsed"
# Ended normally, or by the signal once the deadline passed; within 3 s either way.
[ "$busy" = yes ] && { [ "$status" -eq 0 ] || [ "$status" -eq 143 ]; } && [ "$elapsed" -le 3000 ]
INSIDE

start_virtual_display
failed=0
for case in "warning.kvd box" "large.kvd reading"; do
  set -- $case
  before=$(cd "$work/data" && ls -la --time-style=+%s.%N | grep -v " \.\.$" | sort)
  ok=no
  bash "$work/inside.sh" "$viewer" "$work/data/$1" "$work" "$2" && ok=yes
  after=$(cd "$work/data" && ls -la --time-style=+%s.%N | grep -v " \.\.$" | sort)
  if [ "$before" != "$after" ]; then
    echo "$1: the data folder changed"
    diff <(echo "$before") <(echo "$after") || true
    ok=no
  fi
  if [ "$ok" = yes ]; then
    echo "$1 ($2): ended in time"
  else
    echo "$1 ($2): FAILED"
    cat "$work/viewer.log" 2>/dev/null || true
    failed=$((failed + 1))
  fi
done
echo "$((2 - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
