#!/usr/bin/env bash
# Cabinet extraction: our SetupIterateCabinetA against `cabextract -F` on a
# large MSZIP cabinet (400 members of 256 KiB, 100 MiB uncompressed, one
# folder), extracting one member near the end and ten members spread through
# it. Prints the CPU seconds (user + system, best of three; on a shared
# machine wall time mostly measures waiting for a core), their ratio (goal:
# 1.0 or lower), the wall seconds of that run and the peak resident set of
# both. The cabinet is built once with gcab and cached.
# Usage: bench/cabinet_bench.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
. "$here/bench_program.sh"
tool=$(bench_program cab_extract)
for needed in gcab cabextract; do
  command -v "$needed" >/dev/null || { echo "$needed is needed for this benchmark" >&2; exit 1; }
done

cache=${KIT_CABINET_BENCH_CACHE:-/tmp/kit-cabinet-bench}
cab=$cache/big.cab
members=400
# Member i is p<i>.txt every 40th member from 20 (the ten spread ones),
# e<i>.txt for 395 (the one near the end), d<i>.txt otherwise.
member_name() {
  local i=$1
  if [ "$i" -eq 395 ]; then printf 'e%04d.txt' "$i"
  elif [ $((i % 40)) -eq 20 ]; then printf 'p%04d.txt' "$i"
  else printf 'd%04d.txt' "$i"; fi
}
if [ ! -s "$cab" ]; then
  mkdir -p "$cache"
  rm -rf "$cache/files"
  for ((i = 0; i < members; i++)); do member_name "$i"; echo; done > "$cache/list"
  "$tool" --generate "$cache/files" "$cache/list" >/dev/null
  (cd "$cache/files" && xargs gcab -c -z "$cache/big.cab.part" < "$cache/list")
  mv "$cache/big.cab.part" "$cab"
  rm -rf "$cache/files"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
one=$(member_name 395)
ten=()
for ((i = 20; i < members; i += 40)); do ten+=("$(member_name "$i")"); done

# Runs a command three times; prints CPU seconds, wall seconds and peak RSS
# (KiB) of the run with the least CPU time.
measure() {
  local best="" wall="" rss=""
  for _ in 1 2 3; do
    rm -rf "$work/out" && mkdir "$work/out"
    /usr/bin/time -f '%U %S %e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
      { cat "$work/err" >&2; return 1; }
    read -r user sys seconds kib < "$work/time"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    if [ -z "$best" ] || awk -v a="$cpu" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$cpu wall=$seconds rss=$kib
    fi
  done
  echo "$best $wall $rss"
}

echo "cabinet: $(stat -c %s "$cab") bytes, $members members, $((members * 256)) KiB uncompressed, MSZIP"
printf '%-22s %10s %12s %6s %10s %12s %10s %12s\n' case "ours CPU s" "cabext CPU s" ratio \
  "ours wall" "cabext wall" "ours KiB" "cabext KiB"
report() {
  local label=$1 ours=$2 theirs=$3
  read -r oc ow orss <<< "$ours"
  read -r tc tw trss <<< "$theirs"
  printf '%-22s %10s %12s %6s %10s %12s %10s %12s\n' "$label" "$oc" "$tc" \
    "$(awk -v a="$oc" -v b="$tc" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')" \
    "$ow" "$tw" "$orss" "$trss"
}
report "1 member near the end" "$(measure "$tool" "$cab" "$one")" \
  "$(measure cabextract -q -d "$work/out" -F "$one" "$cab")"
report "10 members spread" "$(measure "$tool" "$cab" "${ten[@]}")" \
  "$(measure cabextract -q -d "$work/out" -F 'p*' "$cab")"
