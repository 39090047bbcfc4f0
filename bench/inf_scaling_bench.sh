#!/usr/bin/env bash
# Model lookup and file copy of one model against INFs of 5,000, 20,000 and
# 80,000 models (1x, 4x, 16x): the cost should grow linearly with the INF's
# size, and each INF should be parsed once however many reads the lookup and
# the copy make. Usage: bench/inf_scaling_bench.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
. "$here/bench_program.sh"
tool=$(bench_program inf_lookup)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINSIM_ROOT=$work/root
unset QUILLSET_TRACE

# One INF of N models: every model has a line in the model section, a DDI
# section and a file-list section. The model installed is the last one.
make_inf() {
  local models=$1 out=$2
  awk -v n="$models" 'BEGIN {
    printf "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n\r\n"
    printf "[Manufacturer]\r\n\"Brevant\"\r\n\r\n[Brevant]\r\n"
    for (i = 1; i <= n; i++) printf "\"Brevant Model %05d PS\" = M%05d, BrevantModel%05d\r\n", i, i, i
    for (i = 1; i <= n; i++) {
      printf "\r\n[M%05d]\r\nCopyFiles=@M%05d.PPD,M%05d_FILES\r\nDataSection=PSCRIPT_DATA\r\n", i, i, i
      printf "DataFile=M%05d.PPD\r\nInclude=NTPRINT.INF\r\n", i
      printf "\r\n[M%05d_FILES]\r\nM%05dUI.DLL\r\nM%05dRES.DLL\r\n", i, i, i
    }
    printf "\r\n[PSCRIPT_DATA]\r\nDriverFile=PSCRIPT5.DLL\r\nConfigFile=PS5UI.DLL\r\n"
  }' > "$out"
}

printf '%-8s %8s %10s %12s %12s %8s\n' scale models "INF bytes" "cold ms" "warm ms" parses
base=5000
for scale in 1 4 16; do
  models=$((base * scale))
  dir=$work/kit$scale
  mkdir -p "$dir"
  make_inf "$models" "$dir/setup.inf"
  last=$(printf '%05d' "$models")
  for f in "M$last.PPD" "M${last}UI.DLL" "M${last}RES.DLL"; do echo "stand-in $f" > "$dir/$f"; done
  inf="Z:$(printf '%s' "$dir/setup.inf" | tr / '\\')"
  out=$("$tool" "$inf" "\"Brevant Model $last PS\"" 3)
  cold=$(echo "$out" | awk '/^run 1:/ {print $3}')
  warm=$(echo "$out" | awk '/^run 3:/ {print $3}')
  parses=$(echo "$out" | awk '/^run 3:/ {print $7}' | tr -d ,)
  printf '%-8s %8d %10d %12s %12s %8s\n' "${scale}x" "$models" "$(stat -c %s "$dir/setup.inf")" \
    "$cold" "$warm" "$parses"
done
