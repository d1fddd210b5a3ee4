#!/usr/bin/env bash
# Sets up the machine, builds KVD Viewer and opens the bundled example file.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
exec build/app/kvdviewer examples/leaf_survey.kvd "$@"
