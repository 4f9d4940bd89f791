# Sourced by the scripts. step NAME COMMAND... runs COMMAND and says how long
# it took, on stderr and, when WARDCHECK_STEP_LOG names a file, as a line of
# it (name, seconds, exit status) for .ci/run's table. COMMAND runs where
# set -e does not reach: a function it names returns on a failure itself.
step() {
  local name=$1 started=$SECONDS status=0
  shift
  "$@" || status=$?
  local took=$(( SECONDS - started ))
  echo "step: $name: $(( took / 60 )) min $(( took % 60 )) s" >&2
  if [ -n "${WARDCHECK_STEP_LOG:-}" ]; then
    printf '%s\t%d\t%d\n' "$name" "$took" "$status" >> "$WARDCHECK_STEP_LOG"
  fi
  return "$status"
}

# Sets launcher to the CMake options that compile through ccache when it is
# installed. Paths are taken relative to the source folder, so that another
# clone of it finds the same objects. Depend mode takes the headers from the
# compiler's own dependency list instead of running the preprocessor again.
use_ccache() {
  launcher=()
  if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true CCACHE_DEPEND=true
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
}
