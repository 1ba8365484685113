#!/usr/bin/env bash
# From a fresh checkout to a printed disc label: installs what is missing,
# builds with the default preset, encodes the bundled example label into a
# print job and draws what the printer would make of it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset default
# The tool and the two driver modules it loads are all the demo needs.
cmake --build --preset default --target quillory2 -j "$(nproc)"

run() {
  echo "\$ $*"
  "$@"
}
run build/bin/quillory2 encode examples/label.png -o label.prn
run build/bin/quillory2 preview label.prn -o label-preview.png
echo "Wrote label.prn (the print job) and label-preview.png (what the printer would print)."
