#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan+UBSan) and runs every fuzz target, one after the
# other, for SECONDS each (default 60), starting from its corpus in Fuzz/corpus and the seeds the
# project writes; prints executions, executions a second (of wall time and of the fuzzer's own
# processor time), coverage, features, findings and the machine's load per target (the load is
# other work competing for the cores).
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   scripts/fuzz.sh --plateau[=MINUTES] [TARGET...]
# With --plateau a target runs until its coverage (libFuzzer's cov:) has not grown for MINUTES
# (default 10) and the summary gives, per target, when it last grew (seconds from the start);
# ATC_FUZZ_LIMIT=SECONDS stops it after that long all the same.
# Findings (crash-*, leak-*, timeout-*, oom-*) are left in build/fuzz/findings/<Target>/: keep each as
# a regression input in Fuzz/corpus/<Target>/ once the fault is mended. ATC_FUZZ_RUNS=N stops a
# target after N executions instead (whichever comes first); ATC_FUZZ_MERGE=1 replaces each corpus
# with the minimised union of the corpus and what the run found (regression inputs are kept).
set -euo pipefail
cd "$(dirname "$0")/.."
# Runs side by side (one target on each core) take turns to install, configure, build and write
# their seeds; the fuzzers then run together.
mkdir -p build
exec 9>build/fuzz.lock
flock 9
ATC_WITH_FUZZ=1 ATC_WITH_BROWSER=0 scripts/setup.sh

plateau=0
seconds=60
case "${1:-}" in
--plateau) plateau=10 && shift ;;
--plateau=*) plateau=${1#--plateau=} && shift ;;
[0-9]*) seconds=$1 && shift ;;
esac
if ((plateau > 0)); then
    # The watch below stops the target; ATC_FUZZ_LIMIT=SECONDS also stops one that is still growing.
    seconds=${ATC_FUZZ_LIMIT:-0}
fi
targets=("$@")
if ((${#targets[@]} == 0)); then
    for source in Fuzz/Targets/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

# Only the fuzz programs: the rest of the tree (simulator tools, the add-on module) is not needed.
cmake --preset fuzz >/dev/null
nice -n 10 cmake --build --preset fuzz -j "$(nproc)" --target fuzz-seeds "${targets[@]/#/fuzz-}"

bin=build/fuzz/Fuzz
work=build/fuzz/work
# Each run writes the seeds afresh to a folder of its own, so two runs side by side (one target on
# each core) never take the seeds from under each other's fuzzer.
seeds=$(mktemp -d build/fuzz/seeds.XXXXXX)
"$bin/fuzz-seeds" "$seeds"
flock -u 9

dictionary() {
    case "$1" in
    Page*) echo Fuzz/dict/page.dict ;;
    ProjectFile) echo Fuzz/dict/project.dict ;;
    Scenario) echo Fuzz/dict/scenario.dict ;;
    *) echo Fuzz/dict/stored.dict ;;
    esac
}

# Use after return on the stack and the fill of new memory cost a fuzz target a third of its speed
# for little a harness of bounded inputs would find; heap errors are all still found. Ten frames of
# each allocation's stack instead of thirty: recording them took a tenth of the time of the targets
# that allocate most; a finding replayed without these options prints the whole stacks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_stack_use_after_return=0:max_malloc_fill_size=0:malloc_context_size=10}"

# Latest coverage libFuzzer printed to LOG (0 before its first line).
coverage() {
    { grep -oE 'cov: [0-9]+' "$1" || echo 'cov: 0'; } | tail -1 | cut -d' ' -f2
}

# Follows the fuzzer PID writing LOG until its coverage has not grown for the plateau's minutes,
# then interrupts it (libFuzzer prints its final figures when terminated); prints the seconds from
# the start at which coverage last grew.
watch_plateau() {
    local fuzzer=$1 log=$2 started=$SECONDS best=0 grew=0 now
    while kill -0 "$fuzzer" 2>/dev/null; do
        sleep 5
        now=$(coverage "$log")
        if ((now > best)); then
            best=$now
            grew=$((SECONDS - started))
        elif ((SECONDS - started - grew >= plateau * 60)); then
            kill -TERM "$fuzzer" 2>/dev/null || true
            break
        fi
    done
    echo "${grew}s"
}

# Processor seconds (user and system) of the children this shell has waited for, as `times` wrote
# them to FILE (`times` itself must run in this shell, not in a command substitution's; the file is
# in this run's own folder, as two runs side by side would read each other's). The machine is
# shared, so a target's speed is also given per processor second, which other work does not lower.
children_cpu() {
    tail -1 "$1" | awk '{ total = 0; for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); total += t[1] * 60 + t[2] } printf "%.2f", total }'
}

# A fuzzer running in the background goes when the script does.
fuzzer=
# (An `&&` list ending in a failed kill would stop the trap under `set -e` before the seeds go.)
trap 'if [[ -n "$fuzzer" ]]; then kill -TERM "$fuzzer" 2>/dev/null || true; fi; rm -rf "$seeds"' EXIT

# A read may take at most a second; a count in the data may not make it allocate more than the data
# can hold (inputs are at most 64 KiB). The world a target reuses keeps what it records (the host's
# commands, the page's scripts) from one input to the next, which libFuzzer's leak check after each
# input would take for a leak and scan the whole heap for; leaks are reported once, when the
# process ends. The merge runs every input under the same limits.
limits=(-timeout=1 -rss_limit_mb=2048 -detect_leaks=0 -malloc_limit_mb=256)

summary=()
for target in "${targets[@]}"; do
    # One run of a target at a time: two would write one log, and the plateau watch of one would
    # read the other's coverage. The fuzzer holds the lock too, so it is free once the fuzzer is gone.
    exec {targetLock}>"build/fuzz/$target.lock"
    if ! flock -n "$targetLock"; then
        echo "fuzz: $target is running in another run; left out"
        summary+=("$(printf '%-36s left out: running in another run' "$target")")
        exec {targetLock}>&-
        continue
    fi
    corpus=Fuzz/corpus/$target
    findings=build/fuzz/findings/$target
    mkdir -p "$corpus" "$work/$target" "$findings"
    log=build/fuzz/$target.log
    if ((plateau > 0)); then
        echo "fuzz: $target until its coverage has not grown for ${plateau} min"
    else
        echo "fuzz: $target for ${seconds}s"
    fi
    load=$(cut -d' ' -f1 /proc/loadavg)
    times >"$seeds/times"
    cpuBefore=$(children_cpu "$seeds/times")
    # The entropic schedule keeps a tally for every feature it counts as rare, after every input:
    # the targets that touch twenty thousand features an input spent a third of their time on it at
    # the default of 255, and reached the same coverage in as many inputs with 16. The fuzzer's
    # temporary folder (its preference store) is this run's: a fuzzer stopped by a signal leaves
    # without its exit handlers, which would have removed it.
    TMPDIR=$seeds nice -n 19 "$bin/fuzz-$target" "$work/$target" "$corpus" "$seeds/$target" \
        -max_total_time="$seconds" -runs="${ATC_FUZZ_RUNS:--1}" "${limits[@]}" -max_len=65536 \
        -dict="$(dictionary "$target")" -entropic_feature_frequency_threshold=16 \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1 &
    fuzzer=$!
    grew=-
    if ((plateau > 0)); then
        grew=$(watch_plateau "$fuzzer" "$log")
    fi
    wait "$fuzzer" || true
    times >"$seeds/times"
    cpu=$(awk -v after="$(children_cpu "$seeds/times")" -v before="$cpuBefore" 'BEGIN { printf "%.1f", after - before }')
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    load="$load-$(cut -d' ' -f1 /proc/loadavg)"
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
    found=$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
    if [[ "${ATC_FUZZ_MERGE:-0}" == "1" ]]; then
        # The regression inputs go in first, so the merge keeps only what reaches code they do not.
        # It keeps an input for the code it reaches, not for how often (-use_counters=0): the test
        # build replays every kept input, and keeping one input per loop count made ConnectionRecord's
        # corpus four times as long to replay for no more code reached.
        merged=build/fuzz/merged/$target
        rm -rf "$merged" && mkdir -p "$merged"
        # A merge that fails part way (an input the fuzzer removed meanwhile, a crash) leaves the
        # corpus as it was: replacing it with what the merge had kept so far would lose inputs.
        find "$corpus" -maxdepth 1 -type f -name 'regression-*' -exec cp {} "$merged"/ \;
        if TMPDIR=$seeds nice -n 19 "$bin/fuzz-$target" -merge=1 -use_counters=0 "${limits[@]}" \
            "$merged" "$corpus" "$work/$target" "$seeds/$target" >>"$log" 2>&1; then
            find "$corpus" -type f ! -name 'regression-*' -delete
            find "$merged" -maxdepth 1 -type f ! -name 'regression-*' -exec cp {} "$corpus"/ \;
        else
            echo "fuzz: $target: the merge failed (see $log); its corpus is as it was"
        fi
    fi
    perCpu=$(awk -v runs="${runs:-0}" -v cpu="$cpu" 'BEGIN { printf "%d", (cpu > 0 ? runs / cpu : 0) }')
    line=$(printf '%-36s executions %10s  exec/s %6s  exec/cpu-s %6s (%ss)  %-22s grew until %7s  findings %s  load %s' \
        "$target" "${runs:-?}" "${speed:-?}" "$perCpu" "$cpu" "${cov:-cov: ?}" "$grew" "$found" "$load")
    echo "$line"
    summary+=("$line")
    exec {targetLock}>&-
done

echo
echo "fuzz: summary (logs in build/fuzz/<Target>.log, findings in build/fuzz/findings/<Target>/)"
printf '%s\n' "${summary[@]}"
