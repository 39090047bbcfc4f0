#!/usr/bin/env bash
# kitcheck --version all on a generated kit of 250 driver files, against the
# file work alone: cp of the same files into a fresh folder once per version
# checked, in the same run. kitcheck's systems are throw-away, so neither
# side flushes anything to the disk. Goal: within 2x of cp.
# Usage: bench/kitcheck_bench.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
kitcheck=$build/kitcheck
[ -x "$kitcheck" ] || { echo "$kitcheck is not built" >&2; exit 1; }
runs=${BENCH_RUNS:-3}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset QUILLSET_TRACE
kit=$work/kit
mkdir -p "$kit"
# 250 files of 16 KiB in five file-list sections of 50 (each well below the
# 1,022 bytes a section read gives), one of them the driver.
{
  printf '[Version]\r\nSignature="$Windows NT$"\r\nClass=Printer\r\n\r\n'
  printf '[Manufacturer]\r\n"Brevant"\r\n\r\n[Brevant]\r\n"Bench Printer" = BENCH, BrevantBENCH001\r\n\r\n'
  printf '[BENCH]\r\nCopyFiles=S1,S2,S3,S4,S5\r\nDriverFile=F0001.DLL\r\nDataFile=F0002.DLL\r\n'
  printf 'ConfigFile=F0003.DLL\r\nHelpFile=F0004.DLL\r\n'
  for s in 1 2 3 4 5; do
    printf '\r\n[S%d]\r\n' "$s"
    for i in $(seq $(( (s - 1) * 50 + 1 )) $(( s * 50 ))); do printf 'F%04d.DLL\r\n' "$i"; done
  done
} > "$kit/setup.inf"
head -c 16384 /dev/urandom > "$work/blob"
for i in $(seq 1 250); do cp "$work/blob" "$kit/$(printf 'F%04d.DLL' "$i")"; done

versions=$("$kitcheck" --json --version all --inf "$kit/setup.inf" --printer "Bench Printer" --mdl BENCH \
           | grep -o '{"version":"' | wc -l)
best() {  # the best wall time in ms of `runs` runs of "$@"
  local b=0 start end t
  for _ in $(seq "$runs"); do
    start=$(date +%s%N); "$@" >/dev/null 2>&1 || true; end=$(date +%s%N)
    t=$(( (end - start) / 1000000 ))
    if [ "$b" -eq 0 ] || [ "$t" -lt "$b" ]; then b=$t; fi
  done
  echo "$b"
}
copy_per_version() {
  for v in $(seq "$versions"); do rm -rf "$work/peer"; mkdir "$work/peer"; cp "$kit"/* "$work/peer/"; done
}
kc=$(best "$kitcheck" --version all --inf "$kit/setup.inf" --printer "Bench Printer" --mdl BENCH)
cp_ms=$(best copy_per_version)
echo "kitcheck --version all, 250-file kit, $versions versions: $kc ms (best of $runs)"
echo "cp of the same files once per version:              $cp_ms ms"
awk -v a="$kc" -v b="$cp_ms" 'BEGIN { printf "ratio: %.2f (goal: within 2)\n", a / (b > 0 ? b : 1) }'
