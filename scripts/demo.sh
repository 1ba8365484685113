#!/usr/bin/env bash
# From a fresh checkout to a printed disc label: installs the demo packages
# where missing (compiler, cmake, ninja, libpng, libjpeg, libexif, CLI11; no test
# frameworks), builds the tool and the two driver modules it loads (preset
# demo, build-demo/), encodes the bundled example label into a print job and
# draws what the printer would make of it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh demo

cmake --preset demo >/dev/null
cmake --build --preset demo -j "$(nproc)"

run() {
  echo "\$ $*"
  "$@"
}
run build-demo/bin/quillory2 encode examples/label.png -o label.prn
run build-demo/bin/quillory2 preview label.prn -o label-preview.png
echo "Wrote label.prn (the print job) and label-preview.png (what the printer would print)."
