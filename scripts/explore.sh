#!/usr/bin/env bash
# Random walks over the demo project with vantrel-sim explore, one process per seed, as many at a
# time as there are cores: for MINUTES (default 5), or a fixed budget of seeds (--seeds N, for
# tests). Prints each violation with its shrunk scenario, then the seeds walked, the steps, steps
# per second, the checks made and the violations. Exits 1 when a walk found a violation.
#
#   scripts/explore.sh [MINUTES] [--seeds N] [--first SEED] [--steps M] [--users K] [--faults RATE]
#                      [--checks LIST] [--program FILE] [--out DIR] [--jobs J]
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
minutes=5
seeds=""
first=1
steps=30
users=1
faults=0.05
program="$here/build/debug/Host/vantrel-sim"
out="$here/out/explore"
jobs="$(nproc 2>/dev/null || echo 2)"
check_names=()

while [ $# -gt 0 ]; do
    case "$1" in
        --seeds) seeds="$2"; shift 2 ;;
        --first) first="$2"; shift 2 ;;
        --steps) steps="$2"; shift 2 ;;
        --users) users="$2"; shift 2 ;;
        --faults) faults="$2"; shift 2 ;;
        --checks) check_names=(--checks "$2"); shift 2 ;;
        --program) program="$2"; shift 2 ;;
        --out) out="$2"; shift 2 ;;
        --jobs) jobs="$2"; shift 2 ;;
        -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *[!0-9]*) echo "explore.sh: unknown argument \"$1\" (see --help)" >&2; exit 2 ;;
        *) minutes="$1"; shift ;;
    esac
done
for number in "$first" "$steps" "$users" "$jobs" ${seeds:+"$seeds"}; do
    case "$number" in ''|*[!0-9]*) echo "explore.sh: \"$number\" is not a number" >&2; exit 2 ;; esac
done
if [ ! -x "$program" ]; then
    echo "explore.sh: no vantrel-sim at $program (build it, or name it with --program)" >&2
    exit 2
fi
mkdir -p "$out"
rm -f "$out"/seed-*.out

walk() {
    "$program" explore --seed "$1" --steps "$steps" --users "$users" --faults "$faults" "${check_names[@]}" --out "$out" \
        >"$out/seed-$1.out" 2>&1 || true
}

start=$(date +%s)
deadline=$((start + minutes * 60))
seed=$first
running=0
while :; do
    if [ -n "$seeds" ]; then
        [ "$seed" -lt $((first + seeds)) ] || break
    else
        [ "$(date +%s)" -lt "$deadline" ] || break
    fi
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    walk "$seed" &
    running=$((running + 1))
    seed=$((seed + 1))
done
wait
elapsed=$(( $(date +%s) - start ))

# A few processes for the whole summary: a long run leaves thousands of files.
files=("$out"/seed-*.out)
[ -e "${files[0]}" ] || files=()
walked=${#files[@]}
violations=0
unfinished=()
if [ "$walked" -gt 0 ]; then
    mapfile -t unfinished < <(grep -L '^explore: seed ' "${files[@]}" || true)
fi
for file in "${unfinished[@]}"; do
    violations=$((violations + 1))
    echo "VIOLATION: $(basename "$file" .out): the walk did not finish:"
    sed 's/^/  /' "$file"
done
last_lines="$( ((walked > 0)) && awk '/^explore: seed / { last[FILENAME] = $0 } END { for (f in last) print last[f] }' "${files[@]}")"
read -r total_steps checks walk_seconds found <<<"$(awk '
    { match($0, /: [0-9]+ steps in /); steps += substr($0, RSTART + 2, RLENGTH - 12) + 0
      match($0, /, [0-9]+ checks made/); checks += substr($0, RSTART + 2, RLENGTH - 14) + 0
      match($0, / steps in [0-9.]+ s /); seconds += substr($0, RSTART + 10, RLENGTH - 13) + 0
      if (index($0, "violation: ")) found++ }
    END { printf "%d %d %.3f %d\n", steps, checks, seconds, found }' <<<"$last_lines")"
violations=$((violations + found))
while IFS= read -r line; do
    [ -n "$line" ] || continue
    echo "VIOLATION: ${line#explore: }"
    shrunk="$(grep -o '[^ ]*\.shrunk\.scenario\.json' <<<"$line" || true)"
    if [ -n "$shrunk" ] && [ -f "$shrunk" ]; then
        sed 's/^/  /' "$shrunk"
    fi
done < <(grep 'violation: ' <<<"$last_lines" | sort || true)
rate="$(awk -v n="$total_steps" -v s="$walk_seconds" 'BEGIN { printf "%.1f", (s > 0 ? n / s : 0) }')"
echo "explore.sh: $walked seeds from $first, $total_steps steps ($rate steps/s per walk), $checks checks made," \
    "$violations violation(s), ${elapsed} s (results in $out)"
[ "$violations" -eq 0 ]
