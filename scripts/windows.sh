#!/usr/bin/env bash
# Builds Wardcheck for 64-bit Windows and its installer, on Debian 12, and
# prints the installer's path. Progress goes to stderr.
#
#   1. the toolchain: Qt, SQLite, libsodium and zint built with MinGW-w64 from
#      Debian's sources, once, into a cache (scripts/windows-toolchain.sh);
#   2. Wardcheck and its test programs, in build/windows;
#   3. the test programs under Wine (ctest), in a Wine prefix of the build's;
#   4. the program's folder as installed (build/windows/stage/Wardcheck) and
#      the MSI, build/windows/wardcheck-<version>-x64.msi.
#
#   --no-tests   skip step 3
#   --e2e        after step 4, install the MSI into a fresh Wine prefix and
#                use the installed program there (tests/windows/msi_end_to_end.py)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/step.sh
root="$PWD"
build=build/windows
run_tests=1
e2e=0
for arg in "$@"; do
  case "$arg" in
    --no-tests) run_tests=0 ;;
    --e2e) e2e=1 ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done
log() { echo "windows: $*" >&2; }
started=$SECONDS

step "windows: toolchain" bash scripts/windows-toolchain.sh >/dev/null
toolchain="$(bash scripts/windows-toolchain.sh --cached)"

step "windows: install packages" bash scripts/install-packages.sh wine wine64 msitools wixl python3 xvfb xauth \
  xdotool imagemagick poppler-utils zbar-tools fonts-dejavu-core fonts-liberation fonts-crosextra-carlito

use_ccache
# The Linux build's SQL Server stand-in (an ODBC driver for unixODBC): Wine's
# ODBC driver manager hands the suites' calls to unixODBC, which loads it.
build_standin() {
  bash scripts/install-deps.sh || return
  cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWARDCHECK_WERROR=ON "${launcher[@]}" >/dev/null ||
    return
  cmake --build build/test --target wardcheck_standin >&2
}
step "windows: the Linux stand-in driver" build_standin
standin="$root/build/test/testing/sqlserver-standin/libwardcheck_standin.so"

prefix="$root/$build/wineprefix"
configure_and_build() {
  log "configuring $build"
  PKG_CONFIG_LIBDIR="$toolchain/lib/pkgconfig" PKG_CONFIG_PATH="" \
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain/lib/cmake/Qt6/qt.toolchain.cmake" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DCMAKE_CROSSCOMPILING_EMULATOR="sh;$root/scripts/wine-run.sh;$toolchain;$prefix" \
      -DWARDCHECK_HOST_STANDIN_DRIVER="$standin" \
      -DWARDCHECK_BUILD_BENCH=OFF -DWARDCHECK_WERROR=ON "${launcher[@]}" >&2 || return
  log "building"
  cmake --build "$build" -j"$(nproc)" >&2
}
step "windows: configure and build" configure_and_build

if [ "$run_tests" -eq 1 ]; then
  log "running the test programs under Wine"
  # One wineserver for the whole run: each program then starts in a fraction
  # of the time a fresh one takes.
  WINEPREFIX="$prefix" wineserver -p 2>/dev/null || true
  # The prefix's services start with the first program and outlive it: started
  # here, they do not hold ctest's output pipes open after a suite has ended.
  sh scripts/wine-run.sh "$toolchain" "$prefix" wineboot </dev/null >/dev/null 2>&1 || true
  status=0
  step "windows: ctest under Wine" ctest --test-dir "$build" --output-on-failure >&2 || status=$?
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  [ "$status" -eq 0 ] || exit "$status"
fi

log "staging the installed folder"
stage="$build/stage/Wardcheck"
rm -rf "$build/stage"
mkdir -p "$stage"
cp "$build/bin/wardcheck.exe" "$build/bin/hospital.db" "$build/demo-barcodes.pdf" "$stage/"
cp packaging/copyright "$stage/copyright.txt"
cp resources/raster/wardcheck.ico "$build/stage/"
# Qt's plugins as a deployed program finds them: in folders beside it.
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll sqldrivers/qsqlite.dll \
              sqldrivers/qsqlodbc.dll; do
  mkdir -p "$stage/$(dirname "$plugin")"
  cp "$toolchain/plugins/$plugin" "$stage/$plugin"
done
# Every DLL the program and its plugins import, followed to the end, from the
# toolchain and MinGW's runtime; Windows' own DLLs are left to Windows.
search=("$toolchain/bin"
        "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
        "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")
pending=("$stage"/wardcheck.exe "$stage"/*/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
  file="${pending[0]}"
  pending=("${pending[@]:1}")
  for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
    [ -e "$stage/$dll" ] && continue
    for dir in "${search[@]}"; do
      if [ -e "$dir/$dll" ]; then
        cp "$dir/$dll" "$stage/$dll"
        pending+=("$stage/$dll")
        break
      fi
    done
  done
done
x86_64-w64-mingw32-strip --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
manufacturer="$(sed -n 's/^WARDCHECK_PACKAGE_MAINTAINER:STRING=\(.*\) <.*/\1/p' "$build/CMakeCache.txt")"
msi="$root/$build/wardcheck-$version-x64.msi"
log "making the installer"
python3 packaging/windows/make_wxs.py "$stage" "$version" "$manufacturer" "$build/stage/wardcheck.wxs"
rm -f "$msi"
(cd "$build/stage" && wixl -a x64 -o "$msi" wardcheck.wxs) >&2

if [ "$e2e" -eq 1 ]; then
  log "installing it under Wine and using it"
  step "windows: the MSI installed and used under Wine" python3 tests/windows/msi_end_to_end.py "$msi" \
    "$root/$build/e2e" >&2
fi
log "done in $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s"
echo "$msi"
