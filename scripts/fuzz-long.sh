#!/usr/bin/env bash
# One long libFuzzer run of one target, growing its corpus in
# build-fuzz/fuzz-corpus/<target> (seeded from fuzz/corpus/<target>).
# Findings are saved under build-fuzz/fuzz-artifacts/. Runs with nice, one
# process: start at most two at a time on a shared two-core machine.
#
#   scripts/fuzz-long.sh TARGET SECONDS
#   e.g. scripts/fuzz-long.sh band_conversion 600
# Copy a finding into fuzz/corpus/TARGET/ (with a readable name) once it is
# fixed, so that the replay test keeps it.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SECONDS   (targets: the *_fuzzer programs of build-fuzz/bin)" >&2
  exit 2
fi
target=$1
seconds=$2
build=build-fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${target}_fuzzer" -j 2

corpus="$build/fuzz-corpus/$target"
artifacts="$build/fuzz-artifacts"
mkdir -p "$corpus" "$artifacts"
exec nice -n 10 "$build/bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=20 \
  -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
  "$corpus" "fuzz/corpus/$target"
