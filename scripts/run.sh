#!/usr/bin/env bash
# Builds the program and starts it on the built-in simulated instrument.
# Arguments go to the program (for example --suite FILE).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTPLUS_BUILD_DIR:-$here/build}

bash "$here/scripts/build.sh"
exec "$build/app/kestplus-profile" "$@"
