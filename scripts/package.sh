#!/usr/bin/env bash
# Builds the Debian package of Wardcheck from scratch in build/package and
# prints the path of the .deb. Progress goes to stderr.
#   --keep   build on an existing build/package instead of starting afresh
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/package
keep=0
for arg in "$@"; do
  case "$arg" in
    --keep) keep=1 ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done

bash scripts/install-deps.sh >&2
[ "$keep" -eq 1 ] || rm -rf "$build"
# Debian builds its own packages with these flags (stack protector, fortified
# functions, read-only relocations, immediate binding).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DWARDCHECK_BUILD_TESTS=OFF -DWARDCHECK_BUILD_BENCH=OFF \
      -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)" \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >&2
cmake --build "$build" -j"$(nproc)" >&2
rm -f "$build"/wardcheck_*.deb
(cd "$build" && cpack -G DEB >&2)
ls "$PWD/$build"/wardcheck_*.deb
