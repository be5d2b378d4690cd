#!/bin/bash
# Every level of tests, from a fresh Debian 12 machine: installs what is
# missing, builds, then runs
#   1. the native unit tests (AddressSanitizer + UBSan),
#   2. the same unit tests cross-built and run under Wine,
#   3. the end-to-end tests of the real Quorlan.exe under Wine on Xvfb,
# and, as smoke runs, every fuzz target for a short while; the benchmarks are
# built (not run: they report figures, they do not test).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

bash scripts/install-deps.sh

source scripts/wine-env.sh
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${QUORLAN_XVFB_PID:-}" ]; then kill "$QUORLAN_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT
quorlan_start_display
quorlan_init_prefix

JOBS=${JOBS:-2}

echo "== native unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$JOBS"
ctest --preset native -j "$JOBS"

echo "== Windows unit tests and end-to-end tests under Wine"
cmake --preset windows-test >/dev/null
cmake --build --preset windows-test -j "$JOBS"
ctest --preset windows-test

echo "== fuzz smoke runs"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$JOBS"
for target in build/fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  echo "-- $(basename "$target")"
  "$target" -max_total_time="${FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -print_final_stats=0 \
    >"build/fuzz/$(basename "$target").log" 2>&1 || { tail -40 "build/fuzz/$(basename "$target").log"; exit 1; }
done

echo "== benchmarks build"
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$JOBS"

echo "all levels passed"
