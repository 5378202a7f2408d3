#!/usr/bin/env bash
# Builds the add-on and the simulated host, then runs the demo scenario: the simulated Vantrel
# loads the add-on, opens the sample project and walks the whole workflow, in headless Chromium
# when it is installed. Results go to out/demo (transcript, log, saved project, pictures).
# Extra arguments go to vantrel-sim, e.g. scripts/run.sh --browser none
# `scripts/run.sh serve [PROJECT] [options]` starts the sandbox instead: the add-on live in a web
# page on 127.0.0.1, at the address it prints.
set -euo pipefail
cd "$(dirname "$0")/.."
ATC_WITH_TESTS=0 scripts/setup.sh
cmake --preset release >/dev/null
# Only what the demo needs: the add-on library and the simulator (with what they link).
cmake --build --preset release -j "$(nproc)" --target ArdoTesselConnect vantrel-sim
if [[ "${1:-}" == serve ]]; then
    exec build/release/Host/vantrel-sim "$@"
fi
exec build/release/Host/vantrel-sim shot Samples/Demo/demo.scenario.json --out out/demo "$@"
