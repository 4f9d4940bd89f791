#!/bin/sh
# Runs a program of the Windows build under Wine, as CMake's cross-compiling
# emulator (ctest and the build's own steps call it):
#   wine-run.sh TOOLCHAIN WINEPREFIX PROGRAM.exe [ARGUMENTS...]
# The program finds the DLLs of the toolchain and of MinGW's runtime through
# WINEPATH; the Wine prefix is made on first use.
set -eu
toolchain=$1 prefix=$2
shift 2
dos() { printf 'Z:%s' "$1" | tr / '\\'; }
gcc_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
WINEPATH="$(dos "$toolchain/bin");$(dos "$gcc_runtime");$(dos "$pthread_runtime")"
WINEPREFIX=$prefix
# No Mono or Gecko to offer to install; Wine's own notes off unless asked for.
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
WINEDEBUG=${WINEDEBUG:--all}
export WINEPATH WINEPREFIX WINEDLLOVERRIDES WINEDEBUG
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1 || true
fi
# Qt Test's report does not reach a console under Wine: a suite that CTest
# names a log for (WARDCHECK_TEST_LOG) writes it there, and it is shown here.
if [ -n "${WARDCHECK_TEST_LOG:-}" ]; then
  rm -f "$WARDCHECK_TEST_LOG"
  status=0
  wine "$@" -o "$WARDCHECK_TEST_LOG,txt" || status=$?
  [ ! -f "$WARDCHECK_TEST_LOG" ] || cat "$WARDCHECK_TEST_LOG"
  exit "$status"
fi
exec wine "$@"
