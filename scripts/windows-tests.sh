#!/usr/bin/env bash
# The Windows part of the tests: cross-builds QUILRY2UNI.DLL, QUILRY2.DLL and
# the host programs for 32- and 64-bit Windows (presets mingw32, mingw64),
# builds the native checks (preset windows), prepares the Wine prefix and runs
# the CTest label "windows". Tests that cannot run here (no Wine, no mingw-w64)
# are reported as skipped with the reason, never as passed.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2

if command -v i686-w64-mingw32-g++ >/dev/null && command -v x86_64-w64-mingw32-g++ >/dev/null; then
  for preset in mingw32 mingw64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
  done
else
  echo "windows-tests: mingw-w64 is not installed; the cross-built checks will be skipped" >&2
fi

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" --target pe_reader_tests gpd_tests windows_dll_check_tests \
  windows_wine_tests unidrv_host nt4_host pecheck

# Create the Wine prefix once, before the tests start their clocks.
if [ -x build-mingw32/bin/q2resdump.exe ]; then
  status=0
  windows/wine-run.sh --prefix build-windows/wineprefix -- build-mingw32/bin/q2resdump.exe --probe >/dev/null || status=$?
  [ "$status" -eq 0 ] || echo "windows-tests: Wine is not usable here (status $status); its tests will be skipped" >&2
fi

ctest --test-dir build-windows -R '^(PeReader|Gpd)\.' -j "$jobs" --output-on-failure
ctest --preset windows -j "$jobs"
