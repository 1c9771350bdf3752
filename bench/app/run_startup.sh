#!/usr/bin/env bash
# Time from process start to the first exercise on screen, against a bare Qt Widgets window
# started the same way, each run RUNS times (default 15) on a private Xvfb; prints the medians.
#   bench/app/run_startup.sh BUILD-DIR [RUNS]
set -euo pipefail
build=$(cd "$1" && pwd)
runs=${2:-15}
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../../tests/run-under-xvfb.sh" bash -c '
  measure() { # PROGRAM → milliseconds from exec to the first painted frame
    local start end
    start=$(date +%s%N)
    end=$("$1" 2>/dev/null)
    echo $(( (end - start) / 1000 ))
  }
  median() { sort -n | awk "{ a[NR] = \$1 } END { printf \"%.1f ms\", a[int((NR + 1) / 2)] / 1000 }"; }
  for what in bare_probe startup_probe; do
    "$0/bin/$what" >/dev/null 2>&1 || true # warm the caches
    for _ in $(seq "$1"); do measure "$0/bin/$what"; done | median
    echo "  $what"
  done
' "$build" "$runs"
