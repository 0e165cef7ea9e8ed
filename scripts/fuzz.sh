#!/usr/bin/env bash
# Builds every libFuzzer target of fuzz/ with clang and runs each briefly on its seed corpus
# (fuzz/corpus/NAME for fuzz_NAME), so that none can rot unseen. FUZZ_SECONDS sets the time
# of each run (20 s by default). A target that fails to build, crashes or hangs fails CI.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTPLUS_FUZZ_BUILD_DIR:-$here/build-fuzz}
seconds=${FUZZ_SECONDS:-20}

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTPLUS_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzz_targets -j"$(nproc)"

status=0
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] && [ -f "$target" ] || continue
  name=$(basename "$target")
  seeds="$here/fuzz/corpus/${name#fuzz_}"
  corpus=$(mktemp -d)
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  echo "== $name: ${seconds} s on $(ls "$corpus" | wc -l) seeds" >&2
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/$name-" "$corpus" 2>"$build/$name.log"; then
    echo "$name failed; its log is $build/$name.log:" >&2
    tail -40 "$build/$name.log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units' "$build/$name.log" >&2 || true
  fi
  rm -rf "$corpus"
done
exit $status
