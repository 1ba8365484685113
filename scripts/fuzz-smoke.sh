#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz, clang) and runs each one for a
# short, fixed time, starting from its saved inputs in fuzz/corpus/<target>.
# New inputs go to a scratch folder, not into the committed corpus; a crash,
# leak or sanitizer report stops with the failing input saved under
# build-fuzz/fuzz-artifacts/.
#
#   scripts/fuzz-smoke.sh            every target, 20 s each, one per core at a time
#   FUZZ_SECONDS=5 scripts/fuzz-smoke.sh band_conversion stream_decoder
#   FUZZ_SEED=0 scripts/fuzz-smoke.sh   a fresh random seed (the default, 1, repeats the same run)
#   scripts/fuzz-smoke.sh --junit FILE  also writes one JUnit test case per target (for scripts/test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

junit=""
if [ "${1:-}" = "--junit" ]; then
  junit=$(realpath -m "$2")
  shift 2
fi

seconds=${FUZZ_SECONDS:-20}
build=build-fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzzers -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$build"/bin/*_fuzzer; do
    [ -x "$f" ] && targets+=("$(basename "$f" _fuzzer)")
  done
fi

artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
status=$(mktemp -d)
trap 'rm -rf "$status"' EXIT

# One target for its time; its exit status into $status/<target>.
run_target() {
  local t=$1 scratch rc=0
  scratch=$(mktemp -d)
  "$build/bin/${t}_fuzzer" -seed="${FUZZ_SEED:-1}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$t-" "$scratch" "fuzz/corpus/$t" \
      >"$artifacts/$t.log" 2>&1 || rc=$?
  rm -rf "$scratch"
  echo "$rc" >"$status/$t"
}

# Each target is single-threaded: as many run at once as there are cores,
# every one for its full time.
parallel=${FUZZ_JOBS:-$(nproc)}
echo "== ${#targets[@]} targets, ${seconds} s each, $parallel at a time"
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  run_target "$t" &
done
wait

failed=()
cases=""
for t in "${targets[@]}"; do
  echo "== $t"
  if [ "$(cat "$status/$t" 2>/dev/null)" != 0 ]; then
    failed+=("$t")
    tail -n 40 "$artifacts/$t.log"
    cases+="  <testcase name=\"$t\" status=\"fail\"><failure message=\"finding, see $artifacts/$t.log\"/></testcase>"$'\n'
  else
    cases+="  <testcase name=\"$t\" status=\"run\"/>"$'\n'
    grep -E '^stat::number_of_executed_units' "$artifacts/$t.log" | sed "s/^/   /"
  fi
done

if [ -n "$junit" ]; then
  mkdir -p "$(dirname "$junit")"
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuite name="fuzz">\n%s</testsuite>\n' "$cases" >"$junit"
fi

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz targets with findings: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "no findings in ${#targets[@]} fuzz targets"
