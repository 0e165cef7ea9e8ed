#!/usr/bin/env bash
# Checks that the source folders stack as layers: a folder includes only folders below it.
# The order is the README's layout table, top first.
set -euo pipefail
cd "$(dirname "$0")/.."
layers=(app shell batch acquisition document geometry results graph controls core secop suite physics)
status=0
for ((i = 0; i < ${#layers[@]}; i++)); do
  for ((j = 0; j < i; j++)); do
    if hits=$(grep -Hn "#include \"${layers[j]}/" "${layers[i]}"/*.cpp "${layers[i]}"/*.h 2>/dev/null); then
      echo "${layers[i]}/ includes ${layers[j]}/, a folder above it:" >&2
      echo "$hits" >&2
      status=1
    fi
  done
done
exit $status
