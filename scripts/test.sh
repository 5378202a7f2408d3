#!/usr/bin/env bash
# Builds and runs every test, then builds the main job as a user's first command does and runs
# the demo with it.
#   scripts/test.sh                 all tests in the asan preset (ASan+UBSan), then the release demo
#   scripts/test.sh debug asan      all tests in each preset named, then the release demo
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)
presets=("$@")
if ((${#presets[@]} == 0)); then presets=(asan); fi

for preset in "${presets[@]}"; do
    echo "test: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
done

# The first command's build, with the compiler's warnings as a user sees them, and its demo.
echo "test: release build of the main job and the demo"
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs" --target ArdoTesselConnect vantrel-sim
sim=build/release/Host/vantrel-sim
"$sim" run Samples/Demo/demo.scenario.json --out build/release/demo-none --browser none --quiet
if command -v chromium >/dev/null 2>&1; then
    "$sim" shot Samples/Demo/demo.scenario.json --out build/release/demo-chromium --browser chromium --quiet
else
    echo "test: Chromium is not installed; the demo ran without a browser only"
fi
