#!/usr/bin/env bash
# Runs one Windows program under Wine in a private prefix, for the tests.
#
#   wine-run.sh --prefix DIR [--probe EXE] -- PROGRAM [ARGS...]
#   wine-run.sh --prefix DIR --probe EXE          only the probe
#
# The prefix is created on first use (wineboot -i, a lock keeps parallel
# tests from creating it twice) with the Mono and Gecko installers switched
# off, so no dialog ever waits for a user. --probe EXE runs EXE --probe first,
# to tell "Wine cannot run programs of this kind here" from a real failure;
# probe a 32-bit and a 64-bit program separately, as Wine runs the one
# without the other when wine32 is missing.
#
# Exit status: the program's own, or 77 (a skip for CTest) when Wine is
# missing or cannot start programs; the reason goes to stderr as "SKIP: ...".
set -uo pipefail

prefix=""
probe=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    --probe) probe="$2"; shift 2 ;;
    --) shift; break ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "wine-run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$prefix" ] || { [ $# -eq 0 ] && [ -z "$probe" ]; }; then
  echo "usage: wine-run.sh --prefix DIR [--probe EXE] [-- PROGRAM [ARGS...]]" >&2
  exit 2
fi

skip() {
  echo "SKIP: $*" >&2
  exit 77
}

wine_bin="${WINE:-$(command -v wine || true)}"
[ -n "$wine_bin" ] || skip "wine is not installed (scripts/install-deps.sh installs it)"

# Wine takes only an absolute prefix.
export WINEPREFIX="$(realpath -m "$prefix")"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH="${WINEARCH:-win64}"
# No window may open: without a display Wine stays on the console.
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$(dirname "$prefix")"
if [ ! -f "$prefix/.quillory2-ready" ]; then
  (
    flock 9
    if [ ! -f "$prefix/.quillory2-ready" ]; then
      rm -rf "$prefix"
      if ! timeout 300 wineboot -i >"$prefix.log" 2>&1; then
        echo "SKIP: wineboot -i failed, see $prefix.log" >&2
        exit 77
      fi
      touch "$prefix/.quillory2-ready"
    fi
  ) 9>"$prefix.lock" || exit $?
fi

# "32-bit", "64-bit" or "" from the machine field of a PE image's header.
pe_bits() {
  local header machine
  header=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$header" ] || return 0
  machine=$(od -An -t x2 -j $((header + 4)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  case "$machine" in
    014c) echo "32-bit" ;;
    8664) echo "64-bit" ;;
  esac
}

if [ -n "$probe" ]; then
  out=$(timeout 60 "$wine_bin" "$probe" --probe 2>&1)
  status=$?
  if [ $status -ne 0 ] || [[ "$out" != *"probe ok"* ]]; then
    [ -n "$out" ] || out="no output, exit status $status"
    bits=$(pe_bits "$probe")
    hint=""
    [ "$bits" != "32-bit" ] || hint=" (32-bit programs need wine32:i386: scripts/install-deps.sh windows32)"
    skip "Wine cannot start the ${bits:+$bits }program $(basename "$probe") here$hint: $(tr -s '\n' ' ' <<<"${out:0:300}" | sed 's/ *$//')"
  fi
  if [ $# -eq 0 ]; then
    echo "Wine runs the $(pe_bits "$probe") program $(basename "$probe")"
    exit 0
  fi
fi

exec timeout 300 "$wine_bin" "$@"
