# Sourced by the tests that start the real viewer.
#
# In a sanitizer build, leaks inside system libraries are not the program's, and the
# X keyboard library hands strndup buffers without a final NUL, which strict string
# checks would report.
export LSAN_OPTIONS="suppressions=$(dirname "${BASH_SOURCE[0]}")/lsan_system_libraries.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"

# make_work_folder sets `work` to a scratch folder removed at exit (with the X server),
# holding the viewer's own runtime folder: its single-instance guard never meets a
# viewer of the user's.
make_work_folder() {
  work=$(mktemp -d)
  trap 'stop_virtual_display; rm -rf "$work"' EXIT
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
}

# start_virtual_display starts a private X server and points DISPLAY at it;
# stop_virtual_display ends it (call it from the script's EXIT trap).
#
# Xvfb picks its own free display number (-displayfd) and reports it once it accepts
# connections. Choosing a number beforehand, as xvfb-run -a does, races with any other
# X server starting at the same moment: two tests could share one server, and the
# first to end would take the other's display away.
start_virtual_display() {
  local fifo_dir number
  fifo_dir=$(mktemp -d)
  mkfifo "$fifo_dir/number"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3> "$fifo_dir/number" > "$fifo_dir/xvfb.log" 2>&1 &
  KVD_XVFB_PID=$!
  # The number is written when the server is ready; at most 30 s.
  number=$(timeout 30 head -n 1 "$fifo_dir/number" || true)
  if [ -z "$number" ]; then
    echo "the virtual X server did not start:"
    cat "$fifo_dir/xvfb.log"
    rm -rf "$fifo_dir"
    return 1
  fi
  rm -rf "$fifo_dir"
  export DISPLAY=":$number"
}

stop_virtual_display() {
  [ -n "${KVD_XVFB_PID:-}" ] || return 0
  kill "$KVD_XVFB_PID" 2>/dev/null || true
  wait "$KVD_XVFB_PID" 2>/dev/null || true
  KVD_XVFB_PID=
}
