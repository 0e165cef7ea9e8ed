#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/ (or $KESTPLUS_BUILD_DIR).
# Extra arguments go to CMake's configure step, e.g. -DKESTPLUS_SANITIZE=ON.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTPLUS_BUILD_DIR:-$here/build}

bash "$here/scripts/setup-debian.sh"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
