#!/usr/bin/env bash
# Builds the project and runs every test.
#   scripts/test.sh            the normal build, in build/
#   scripts/test.sh --sanitize the same tests built with AddressSanitizer and
#                              UndefinedBehaviorSanitizer, in build-san/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ "${1:-}" == "--sanitize" ]]; then
  build=$root/build-san
  bash "$root/scripts/build.sh" "$build" -DCVPANEL_SANITIZE=ON
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  build=$root/build
  bash "$root/scripts/build.sh" "$build"
fi
cd "$build"
ctest --output-on-failure -j "$(nproc)"
