#!/usr/bin/env bash
# The headless commands write their own lines on standard error and nothing else: a scan
# with --quiet and an export of its chart, without a display or a runtime folder, say nothing.
set -euo pipefail
program=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_RUNTIME_DIR
export KESTPLUS_HOME=$dir/home
cat >"$dir/suite.json" <<'JSON'
{ "instrument": { "clock": "virtual", "noise": false },
  "setup": { "elements": [ { "z": 26, "spectrometer": 1, "standard": "Fe" } ] } }
JSON
printf 'KestProfile  2\r\nNc     1\r\nAx     1\r\nMp     1\r\nDm     0\r\nO      0\r\nF     %6d %6d\r\n' 300 100 >"$dir/line.PRF"
"$program" scan --zones "$dir/line.PRF" --save "$dir/doc.ana" --suite "$dir/suite.json" --quiet 2>"$dir/err"
"$program" export "$dir/doc.ana" --chart "$dir/chart.png" 2>>"$dir/err"
"$program" export "$dir/doc.ana" --chart "$dir/chart.pdf" 2>>"$dir/err"
test -s "$dir/chart.png" && test -s "$dir/chart.pdf"
if [ -s "$dir/err" ]; then
  echo "standard error was not empty:" >&2
  cat "$dir/err" >&2
  exit 1
fi
