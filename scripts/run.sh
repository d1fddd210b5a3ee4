#!/usr/bin/env bash
# Sets up the machine, builds KVD Viewer and opens the bundled example file.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

# The viewer is a desktop program: without a display the toolkit would abort with a
# message of its own. Say what is missing instead (QT_QPA_PLATFORM, when set, chooses
# another platform, such as offscreen, and is left to the toolkit).
no_display() {
  echo "run.sh: KVD Viewer is built (build/viewer/kvdviewer), but $1." >&2
  echo "Run this script from a desktop session, or on a virtual X server:" >&2
  echo "  xvfb-run -a build/viewer/kvdviewer examples/leaf_survey.kvd" >&2
  exit 1
}
if [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  if [ -z "${DISPLAY:-}" ]; then
    no_display "there is no display to show it on (neither DISPLAY nor WAYLAND_DISPLAY is set)"
  elif command -v xdpyinfo >/dev/null && ! xdpyinfo >/dev/null 2>&1; then
    no_display "the display DISPLAY=$DISPLAY cannot be reached"
  fi
fi
exec build/viewer/kvdviewer examples/leaf_survey.kvd "$@"
