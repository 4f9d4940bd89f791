#!/usr/bin/env bash
# Installs what is missing, builds Wardcheck and runs every test with ctest.
#   --sanitize   build with AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/step.sh

build=build/test
flags=(-DCMAKE_BUILD_TYPE=Debug -DWARDCHECK_WERROR=ON)
for arg in "$@"; do
  case "$arg" in
    # The benchmarks are measured in a Release build; the sanitizers need none.
    --sanitize) build=build/sanitize; flags+=(-DWARDCHECK_SANITIZE=ON -DWARDCHECK_BUILD_BENCH=OFF) ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done
name=${build#build/}
# Many suites spend their time waiting on servers, stalls and timers rather
# than on the CPU: twice as many at once as there are cores.
jobs=$(( $(nproc) * 2 ))

configure_and_build() {
  cmake -S . -B "$build" -G Ninja "${flags[@]}" "${launcher[@]}" >/dev/null || return
  cmake --build "$build" -j"$(nproc)"
}
fuzz_configure_and_build() {
  CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DWARDCHECK_FUZZ=ON -DWARDCHECK_WERROR=ON "${launcher[@]}" >/dev/null || return
  cmake --build build/fuzz -j"$(nproc)"
}

step "install packages" bash scripts/install-deps.sh
use_ccache
step "$name: configure and build" configure_and_build
step "$name: ctest" ctest --test-dir "$build" --output-on-failure -j"$jobs"

# The libFuzzer targets build with clang; a short run of each is part of the suite.
if [ "$build" = build/test ]; then
  step "fuzz: configure and build" fuzz_configure_and_build
  step "fuzz: ctest" ctest --test-dir build/fuzz --output-on-failure -j"$jobs"
fi
