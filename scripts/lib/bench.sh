# Shared by the benchmark scripts: builds a benchmark program and runs it under Wine on a virtual
# screen, in a Wine prefix made for the run. Sourced, not run, from the top of the source tree.

# shellcheck source=wine.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine.sh"

# rw_bench TARGET [ARGUMENTS...]: the program's table on stdout.
rw_bench() {
  local target=$1
  shift
  scripts/setup
  rw_pick_build
  cmake --preset "$RW_PRESET" >/dev/null
  cmake --build --preset "$RW_PRESET" --target "$target" >/dev/null
  RW_BENCH_PREFIX=$(mktemp -d /tmp/rw-bench-prefix.XXXXXX)
  trap 'rm -rf "$RW_BENCH_PREFIX"' EXIT
  RW_UNMANAGED=1 rw_make_prefix "$RW_BENCH_PREFIX"
  xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c '"$1" -p; "$2" "${@:3}"; code=$?; "$1" -k; exit $code' \
    _ "$RW_WINESERVER" "$RW_WINE" "build/$RW_PRESET/$target.exe" "$@"
}
