#!/usr/bin/env bash
# Starts the real viewer on a virtual X server with a data file, checks that its main
# window appears, then ends it with SIGTERM and checks that it exits normally.
# Usage: start_viewer_test.sh KVDVIEWER DATAFILE
set -euo pipefail
viewer=$1
datafile=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/real_viewer_setup.sh"
make_work_folder
start_virtual_display

"$viewer" "$datafile" > "$work/viewer.log" 2>&1 &
pid=$!
found=no
# The window takes a moment to map; wait at most 30 s for it.
for _ in $(seq 300); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"KVD Viewer"'; then found=yes; break; fi
  if ! kill -0 "$pid" 2>/dev/null; then break; fi
  sleep 0.1
done
kill -TERM "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?
echo "window=$found status=$status"
if [ "$found" = yes ] && [ "$status" -eq 0 ]; then
  echo "1 passed, 0 failed"
  exit 0
fi
cat "$work/viewer.log"
echo "0 passed, 1 failed"
exit 1
