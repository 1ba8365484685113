#!/usr/bin/env bash
# The Windows checks, the one way they run (scripts/test.sh windows runs this
# script): cross-builds QUILRY2UNI.DLL, QUILRY2.DLL and the host programs for
# 32- and 64-bit Windows (presets mingw32, mingw64), builds the native checks
# (preset windows, build-windows/), creates the tests' Wine prefix
# (build-windows/wineprefix), probes Wine once per architecture and runs every
# check that was built. Tests that cannot run here (no Wine, no wine32, no
# mingw-w64) are reported by CTest as skipped with the reason, never as passed.
#
#   scripts/windows-tests.sh [--junit FILE]     FILE: CTest's JUnit results
#
# scripts/install-deps.sh windows windows32 installs mingw-w64 and Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
build=build-windows   # the binaryDir of preset windows; the tests use $build/wineprefix

junit=()
case "${1:-}" in
  --junit) junit=(--output-junit "$(realpath -m "$2")") ;;
  -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  "") ;;
  *) echo "usage: $0 [--junit FILE]" >&2; exit 2 ;;
esac

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

# Create the Wine prefix and probe each architecture before the tests start
# their clocks: Wine may run 64-bit programs and not 32-bit ones.
for arch in i686:build-mingw32 x86-64:build-mingw64; do
  probe=${arch#*:}/bin/q2resdump.exe
  [ -x "$probe" ] || continue
  if out=$(windows/wine-run.sh --prefix "$build/wineprefix" --probe "$probe" 2>&1); then
    echo "windows-tests: Wine ${arch%%:*}: $out"
  else
    echo "windows-tests: Wine ${arch%%:*}: its checks will be skipped; ${out#SKIP: }" >&2
  fi
done

# Every test of the Windows test folder, whatever its labels: the PE reader,
# the printer description, the DLL checks and the Wine comparisons.
ctest --test-dir "$build/tests/windows" -j "$jobs" --output-on-failure "${junit[@]}"
