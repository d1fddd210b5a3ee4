# shellcheck shell=bash
# The preamble shared by the benchmark scripts, sourced after `set -euo pipefail`:
#   benchmark_arguments "$@"   BUILD_DIR [OBJECTS] [REPETITIONS] into $build, $objects
#                              (default 1000000) and $repetitions (default 5), with the
#                              paths $report (kvdreport) and $generate (kvd_generate)
#   require_programs PATH...   ends the script unless every PATH is executable
#   generate_benchmark_file    $file: a KVD file of $objects object rows in $work, a
#                              temporary folder removed when the script ends

# shellcheck disable=SC2034 # the variables are for the sourcing script
benchmark_arguments() {
  if [ $# -lt 1 ] || [ $# -gt 3 ]; then
    echo "Usage: $0 BUILD_DIR [OBJECTS] [REPETITIONS]" >&2
    exit 2
  fi
  build=$(cd "$1" && pwd)
  objects=${2:-1000000}
  repetitions=${3:-5}
  report="$build/report/kvdreport"
  generate="$build/bench/kvd_generate"
}

require_programs() {
  for program in "$@"; do
    [ -x "$program" ] || { echo "missing: $program" >&2; exit 1; }
  done
}

generate_benchmark_file() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  file="$work/bench.kvd"
  "$generate" "$file" "$objects"
}
