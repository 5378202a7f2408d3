#!/usr/bin/env bash
# Builds the benchmarks in the release preset, runs them all and prints the table of
# docs/performance.md: every operation at 10,000 and 100,000 elements, the add-on's time against
# its host-call floor, host calls per element, calls to the page and the growth; the add-on's heap
# use per element; then the simulator's whole-process time and peak memory for a scenario on
# generated projects, cut after each step. Everything goes to out/bench/ as well.
#   scripts/bench.sh                 5 repetitions, medians
#   scripts/bench.sh --quick         1 repetition (a first look; not for the documentation)
#   scripts/bench.sh --repetitions N N repetitions
#   scripts/bench.sh --filter REGEX  only the benchmarks whose names match (no scenario runs)
#   scripts/bench.sh --scenarios     only the scenario runs (the benchmarks' last output stays)
# Ratios to the floor are measured in the same run and are what counts; absolute times depend on
# the machine and on what else runs on it.
set -euo pipefail
cd "$(dirname "$0")/.."

repetitions=5
filter=""
benchmarks=1
while (($#)); do
    case "$1" in
    --quick) repetitions=1 ;;
    --repetitions)
        repetitions="$2"
        shift
        ;;
    --filter)
        filter="$2"
        shift
        ;;
    --scenarios) benchmarks=0 ;;
    *)
        echo "bench.sh: unknown argument $1 (use --quick, --repetitions N, --filter REGEX or --scenarios)" >&2
        exit 2
        ;;
    esac
    shift
done

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target ModelBenchmarks HostBenchmarks bench-table vantrel-sim \
    ArdoTesselConnect

out=out/bench
mkdir -p "$out"
bin=build/release/Benchmarks
if ((benchmarks)); then
    rm -f "$out"/*.json
    for program in HostBenchmarks ModelBenchmarks; do
        echo "bench: $program" >&2
        args=(--benchmark_repetitions="$repetitions" --benchmark_out="$out/$program.json"
            --benchmark_out_format=json)
        if ((repetitions > 1)); then args+=(--benchmark_report_aggregates_only=true); fi
        if [[ -n "$filter" ]]; then args+=(--benchmark_filter="$filter"); fi
        "$bin/$program" "${args[@]}" >&2
    done
fi
"$bin/bench-table" "$out"/HostBenchmarks.json "$out"/ModelBenchmarks.json >"$out/table.md"

if [[ -z "$filter" ]]; then
    # The scenario on a generated project: open the palette and connect, select a fifth of the
    # elements (walls, columns, beams, slabs), associate them with a clause, change the clause's
    # texts, remove the association. Cut after each step; whole process, best of three runs.
    sim=build/release/Host/vantrel-sim
    {
        echo
        echo "| scenario, cut after | elements | seconds | peak resident MB |"
        echo "|---|---|---|---|"
    } >>"$out/table.md"
    for elements in 10000 100000; do
        dir="$out/scenario-$elements"
        mkdir -p "$dir"
        "$sim" generate "$dir/generated.project.json" --elements "$elements" >/dev/null
        jq '[.elements[] | select(.type == "API_WallID" or .type == "API_ColumnID" or .type == "API_BeamID" or .type == "API_SlabID")
             | .guid]' "$dir/generated.project.json" >"$dir/selection.json"
        jq -n --slurpfile selection "$dir/selection.json" '{
            format: "vantrel-sim-scenario", version: 1, title: "Large project", project: "generated.project.json",
            steps: [
              { do: "menu" },
              { do: "addClassificationItem", system: "Generated Classification", id: "A10", name: "Walls" },
              { do: "page", action: "connect", specification: "S-2001",
                answers: [ { chooseSystem: "Generated Classification" } ] },
              { do: "page", action: "open", specification: "S-2001" },
              { do: "select", elements: $selection[0] },
              { do: "page", action: "associate", specification: "S-2001", clause: "C-3001" },
              { do: "page", action: "updateClause", specification: "S-2001", clause: "C-3001",
                title: "Walls (renewed)", prefix: "", suffix: "" },
              { do: "page", action: "removeAssociation", specification: "S-2001", clause: "C-3001" }
            ] }' >"$dir/full.scenario.json"
        for cut in "0:load + save" "3:+ open palette, connect" "5:+ select a fifth" "6:+ associate" \
            "7:+ update clause texts" "8:+ remove association"; do
            steps=${cut%%:*}
            jq ".steps |= .[:$steps]" "$dir/full.scenario.json" >"$dir/cut-$steps.scenario.json"
            best=""
            for _ in 1 2 3; do
                measured=$(/usr/bin/time -f "%e %M" "$sim" run "$dir/cut-$steps.scenario.json" --out "$dir/run-$steps" \
                    --browser none --quiet 2>&1 >/dev/null | tail -1)
                if [[ -z "$best" ]] || awk -v a="${measured%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
                    best=$measured
                fi
            done
            awk -v label="${cut#*:}" -v n="$elements" -v m="$best" \
                'BEGIN { split(m, f, " "); printf "| %s | %d | %.2f | %.0f |\n", label, n, f[1], f[2] / 1024 }' \
                >>"$out/table.md"
        done
    done
fi

cat "$out/table.md"
