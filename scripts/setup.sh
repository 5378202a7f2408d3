#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: runs
# apt-get update at most once and installs only what is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config mold
    libspdlog-dev libfmt-dev rapidjson-dev libbenchmark-dev
    duktape-dev libssl-dev libcpp-httplib-dev
)
# The tests, the formatter and the benchmark script's tools; scripts/run.sh sets ATC_WITH_TESTS=0,
# since a user's first command builds neither tests nor benchmarks and every package costs time.
if [[ "${ATC_WITH_TESTS:-1}" == "1" ]]; then
    packages+=(clang-format libgtest-dev libgmock-dev googletest jq time)
fi
# The browser tests and the simulator's pages need Chromium; ATC_WITH_BROWSER=0 leaves it out.
if [[ "${ATC_WITH_BROWSER:-1}" == "1" ]]; then
    packages+=(chromium)
fi
# The fuzz preset's compiler and fuzzer (scripts/fuzz.sh sets ATC_WITH_FUZZ=1).
if [[ "${ATC_WITH_FUZZ:-0}" == "1" ]]; then
    packages+=(clang-16 libfuzzer-16-dev libclang-rt-16-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
