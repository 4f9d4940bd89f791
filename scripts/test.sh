#!/usr/bin/env bash
# Installs what is missing, builds Wardcheck and runs every test with ctest.
#   --sanitize   build with AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/test
flags=(-DCMAKE_BUILD_TYPE=Debug -DWARDCHECK_WERROR=ON)
for arg in "$@"; do
  case "$arg" in
    --sanitize) build=build/sanitize; flags+=(-DWARDCHECK_SANITIZE=ON) ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# The libFuzzer targets build with clang; a short run of each is part of the suite.
if [ "$build" = build/test ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DWARDCHECK_FUZZ=ON -DWARDCHECK_WERROR=ON >/dev/null
  cmake --build build/fuzz -j"$(nproc)"
  ctest --test-dir build/fuzz --output-on-failure -j"$(nproc)"
fi
