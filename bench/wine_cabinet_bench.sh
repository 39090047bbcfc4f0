#!/usr/bin/env bash
# SetupIterateCabinetA of the Windows build's own platform (Wine's setupapi,
# run by bench/windows/cab_iterate.exe) against our host one (winsim, run by
# bench/cab_extract) on the same cabinet and members as
# bench/cabinet_bench.sh, which builds and caches the cabinet. Both programs
# time the iteration inside the process, so Wine's start-up is not counted.
# Usage: bench/wine_cabinet_bench.sh [HOST_BUILD_DIR] (the Windows build is
# HOST_BUILD_DIR/../windows-x86, or $KIT_WINDOWS_BUILD)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
windows=${KIT_WINDOWS_BUILD:-$build/../windows-x86}
host_tool=$build/bench/cab_extract
win_tool=$windows/bench/cab_iterate.exe
cab=${KIT_CABINET_BENCH_CACHE:-/tmp/kit-cabinet-bench}/big.cab
for f in "$host_tool" "$win_tool" "$cab"; do
  [ -e "$f" ] || { echo "skipped: $f is missing (build both presets and run bench/cabinet_bench.sh first)"; exit 0; }
done
command -v wine >/dev/null || { echo "skipped: wine is not installed"; exit 0; }
[ -z "${KIT_WINE_GUEST:-}" ] ||
  echo "note: Wine runs in the emulated machine (scripts/wine-run), 6 to 16 times slower than natively"

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
trap 'wineserver -w 2>/dev/null || true; rm -rf "$work"' EXIT
unset DISPLAY
wineboot -i >/dev/null 2>&1 || true
zpath() { printf 'Z:%s' "$1" | tr / '\\'; }

one=(e0395.txt)
ten=()
for ((i = 20; i < 400; i += 40)); do ten+=("$(printf 'p%04d.txt' "$i")"); done

best_of_three() {  # prints the smallest seconds of three runs of "$@"
  local best=""
  for _ in 1 2 3; do
    rm -rf "$work/out" && mkdir -p "$work/out"
    local s
    s=$("$@" | awk '{print $2}')
    if [ -z "$best" ] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$s; fi
  done
  echo "$best"
}

for case in one ten; do
  declare -n names=$case
  ours=$(best_of_three env WINSIM_ROOT="$work/root" "$host_tool" "$cab" "${names[@]}")
  theirs=$(best_of_three wine "$win_tool" "$(zpath "$cab")" "$(zpath "$work/out")" "${names[@]}")
  printf '%-4s member(s): winsim %ss, Wine setupapi %ss, ratio winsim/Wine %s\n' "${#names[@]}" "$ours" "$theirs" \
    "$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')"
done
