#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. the Windows DLLs and host programs, cross-built for x86 and x64;
#   2. the native build, whose tests include the static checks of those DLLs
#      and the host programs under Wine, compared byte for byte with Linux;
#   3. the same native suites under AddressSanitizer and UndefinedBehaviorSanitizer;
#   4. every libFuzzer target for a short, fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)
step() { printf '\n== %s\n' "$*"; }

step "Windows cross builds"
for preset in mingw32 mingw64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

step "Native build and tests"
cmake --preset default -DQUILLORY2_WINDOWS_TESTS=ON >/dev/null
cmake --build --preset default -j "$jobs"
# Create the Wine prefix once, before the tests start their clocks.
windows/wine-run.sh --prefix build/wineprefix -- build-mingw32/bin/q2resdump.exe --probe >/dev/null ||
  echo "test: Wine cannot run here; the Wine tests will be reported as skipped" >&2
ctest --preset default -j "$jobs"

step "Sanitizer build and tests"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

step "Fuzzing"
FUZZ_SECONDS=${FUZZ_SECONDS:-15} bash scripts/fuzz-smoke.sh
