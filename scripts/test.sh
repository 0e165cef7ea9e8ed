#!/usr/bin/env bash
# Builds the program and runs the whole test suite.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTPLUS_BUILD_DIR:-$here/build}

bash "$here/scripts/build.sh" -DKESTPLUS_WERROR=ON
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j"$(nproc)"
