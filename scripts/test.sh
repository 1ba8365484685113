#!/usr/bin/env bash
# Builds and runs the project's checks, stage by stage, and sums them up:
#
#   scripts/test.sh [native] [sanitize] [windows] [fuzz] [fresh]   (no stage: all five)
#
#   native    preset default: every native suite, the CUPS chain and the printer
#             application (servers on loopback, ipptool, headless Chromium, a
#             private cupsd, its benchmark) included
#   sanitize  the same suites under AddressSanitizer and UBSan (preset sanitize)
#   windows   scripts/windows-tests.sh: the DLLs and host programs cross-built
#             for x86 and x64, checked statically and run under Wine against
#             the native build, byte for byte
#   fuzz      every libFuzzer target for FUZZ_SECONDS (default 10) each
#   fresh     scripts/fresh-root.sh: in a minimal Debian 12 root made with
#             mmdebstrap, the demo from nothing, then every non-Windows
#             package group, preset default and its unit checks (needs root
#             or sudo, and the Debian mirror)
#
# First installs what the stages need (scripts/install-deps.sh). Counts come
# from CTest's own results (build-results/). The last line is
# "N passed, M failed, K skipped"; before it, a table per stage and every
# skipped group with its reason. Exit status 1 when a check failed, a stage
# did not finish, or a check skipped that must run: the x86-64 Wine checks, the
# CUPS chain and the printer application always, the i686 Wine checks unless
# wine32 could not be installed.
set -uo pipefail
cd "$(dirname "$0")/.."

stages=()
for arg in "$@"; do
  case "$arg" in
    native|sanitize|windows|fuzz|fresh) stages+=("$arg") ;;
    -h|--help) sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "test: unknown stage $arg (stages: native sanitize windows fuzz fresh)" >&2; exit 2 ;;
  esac
done
[ ${#stages[@]} -gt 0 ] || stages=(native sanitize windows fuzz fresh)

jobs=$(nproc)
# Many checks wait on servers, clients and timeouts more than they compute:
# one more check than cores keeps the cores busy while one of them waits.
test_jobs=$((jobs + 1))
results=$PWD/build-results
rm -rf "$results"
mkdir -p "$results"

groups=(demo build test)
[[ " ${stages[*]} " != *" windows "* ]] || groups+=(windows windows32)
# A package that does not install shows up as a stage that does not finish.
bash scripts/install-deps.sh --notes "$results/deps-notes.txt" "${groups[@]}" ||
  echo "test: not every package could be installed; going on, the stages will show what is missing" >&2

# Each stage leaves CTest's JUnit results in $results/<stage>.xml and its
# tests' labels in $results/<stage>.labels.json; a stage that stops early
# leaves no results, and the summary counts it as failed.
ctest_stage() {  # preset build-dir
  cmake --build --preset "$1" -j "$jobs" || return
  ctest --test-dir "$2" --show-only=json-v1 >"$results/$stage.labels.json" || return
  ctest --preset "$1" -j "$test_jobs" --output-junit "$results/$stage.xml"
}

stage_native() {
  # OFF by name: a cache from an older run may still hold the Windows checks,
  # which run in their own build (stage windows).
  cmake --preset default -DQUILLORY2_WINDOWS_TESTS=OFF >/dev/null || return
  ctest_stage default build
}

stage_sanitize() {
  cmake --preset sanitize >/dev/null || return
  ctest_stage sanitize build-sanitize
}

stage_windows() {
  bash scripts/windows-tests.sh --junit "$results/$stage.xml"
  ctest --test-dir build-windows/tests/windows --show-only=json-v1 >"$results/$stage.labels.json"
}

stage_fuzz() {
  FUZZ_SECONDS=${FUZZ_SECONDS:-10} bash scripts/fuzz-smoke.sh --junit "$results/$stage.xml"
}

stage_fresh() {
  bash scripts/fresh-root.sh --junit "$results/$stage.xml"
  [ ! -f "$results/fresh/labels.json" ] || cp "$results/fresh/labels.json" "$results/$stage.labels.json"
}

has_stage() { [[ " ${stages[*]} " == *" $1 "* ]]; }
test_start=$SECONDS

# The fresh stage waits mostly on the mirror and dpkg, so beside other stages
# it starts first, in the background, and its turn only collects it. With
# stage native too, the root's build of preset default runs every native
# suite and stands for the native stage: preset default is built once.
fresh_pid=""
if has_stage fresh && [ ${#stages[@]} -gt 1 ]; then
  fresh_args=(--junit "$results/fresh.xml")
  ! has_stage native || fresh_args+=(--checks "$results/native.xml" --)
  bash scripts/fresh-root.sh "${fresh_args[@]}" >"$results/fresh.out" 2>&1 &
  fresh_pid=$!
  fresh_start=$SECONDS
  # A background job ignores the terminal's interrupt: pass it on, so that
  # the root is taken down at once.
  trap '[ -z "$fresh_pid" ] || kill -TERM "$fresh_pid" 2>/dev/null; wait; exit 130' INT TERM
fi

# The seconds a step of the fresh stage took, from its JUnit file.
step_seconds() { sed -n "s/.*name=\"fresh\.$1\" [^>]*time=\"\([0-9]*\)\".*/\1/p" "$results/fresh.xml" 2>/dev/null; }

summary=()
for stage in "${stages[@]}"; do
  if [ -n "$fresh_pid" ] && [ "$stage" = native ]; then
    printf '\n== native: in the fresh root (stage fresh)\n'
    continue
  fi
  if [ -n "$fresh_pid" ] && [ "$stage" = fresh ]; then
    printf '\n== fresh (started first, in the background)\n'
    wait "$fresh_pid"
    fresh_pid=""
    cat "$results/fresh.out"
    summary+=(--stage fresh "$results/fresh.xml" - $((SECONDS - fresh_start)))
    if has_stage native; then
      labels="$results/native.labels.json"
      [ -f "$labels" ] || labels=-
      build_s=$(step_seconds build)
      tests_s=$(step_seconds tests)
      summary+=(--stage native "$results/native.xml" "$labels" $((${build_s:-0} + ${tests_s:-0}))
                --note "native=built and run in the fresh root")
    fi
    continue
  fi
  printf '\n== %s\n' "$stage"
  start=$SECONDS
  "stage_$stage"
  labels="$results/$stage.labels.json"
  [ -f "$labels" ] || labels=-
  summary+=(--stage "$stage" "$results/$stage.xml" "$labels" $((SECONDS - start)))
done
summary+=(--total $((SECONDS - test_start)))

# Only the i686 Wine checks may skip, and only when wine32 is not installed.
if [[ " ${stages[*]} " == *" windows "* ]] &&
   ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  reason=$(sed -n 's/^windows32: //p' "$results/deps-notes.txt" 2>/dev/null | head -n 1)
  summary+=(--allow "Wine i686=${reason:-wine32:i386 is not installed}")
fi

command -v python3 >/dev/null || { echo "test: python3 is missing, so the results cannot be summed up" >&2; exit 1; }
python3 scripts/test-summary.py "${summary[@]}"
