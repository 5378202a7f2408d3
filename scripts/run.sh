#!/usr/bin/env bash
# Builds the add-on and the simulated host. The demo scenario runs here once the
# simulator program exists.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
if [[ -x build/release/Host/vantrel-sim ]]; then
    exec build/release/Host/vantrel-sim run Samples/Demo/demo.scenario.json "$@"
fi
echo "Built. The simulated host program is not part of this build yet."
