#!/usr/bin/env bash
# The whole install of the example kit, from process start to exit:
#  - against the same file work done by standard tools (cp of the kit's files
#    plus cabextract -F of the same cabinet members), and the same followed by
#    a sync of every file (the install flushes what it writes);
#  - with 1, 100 and 1,000 printers already in the simulated system;
#  - its peak resident memory.
# Usage: bench/install_bench.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
kit=$here/../examples/kit
kit=$(cd "$kit" && pwd)
quillset=$build/quillset
winsim=$build/winsim
for tool in "$quillset" "$winsim"; do
  [ -x "$tool" ] || { echo "$tool is not built" >&2; exit 1; }
done
command -v cabextract >/dev/null || { echo "cabextract is missing (apt-get install cabextract)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset QUILLSET_TRACE
export WINSIM_ROOT=$work/root
zkit=$(printf 'Z:%s' "$kit" | tr / '\\')
printer="Brevant TR-2210 Series PS"
install_line="/INF \"$zkit\\setup.inf\" /PRINTER \"$printer\" /MDL \"TR-2210\""
uninstall_line="/INF \"$zkit\\setup.inf\" /UNINSTALL \"$printer\""
runs=${BENCH_RUNS:-30}

prepare() {
  rm -rf "$WINSIM_ROOT"
  "$winsim" init --force >/dev/null
  cp "$kit/driver.cab" "$("$winsim" path 'C:\WINDOWS\Driver Cache\i386')/"
  "$winsim" reg import "$kit/ports.reg"
}

# Mean microseconds of `runs` repetitions of "$@" with $reset run before each.
mean_of() {
  local reset=$1; shift
  local total=0 start end
  for _ in $(seq "$runs"); do
    $reset
    start=$(date +%s%N); "$@" >/dev/null 2>&1 || true; end=$(date +%s%N)
    total=$(( total + (end - start) / 1000 ))
  done
  echo $(( total / runs ))
}
ms() { awk -v us="$1" 'BEGIN { printf "%.1f", us / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

reset_install() { "$quillset" "$uninstall_line" >/dev/null 2>&1 || true; }
reset_copy() { rm -rf "$work/peer"; mkdir -p "$work/peer"; }
members=$(cabextract -l "$kit/driver.cab" | awk 'NR>3 && $NF ~ /\./ {print $NF}' | grep -v '^Extracting$' || true)
peer_work() {
  cp "$kit"/*.PPD "$kit"/*.INI "$kit"/*.DLL "$work/peer/" 2>/dev/null
  cp "$kit/setup.inf" "$work/peer/"
  for m in $members; do cabextract -q -F "$m" -d "$work/peer" "$kit/driver.cab"; done
}

# The same files flushed to the disk, as the install flushes each copy
# before it is renamed into place (coreutils sync FILE... fsyncs each).
durable_peer_work() {
  peer_work
  sync "$work/peer"/* "$work/peer"
}

prepare
ours=$(mean_of reset_install "$quillset" "$install_line")
peer=$(mean_of reset_copy peer_work)
durable=$(mean_of reset_copy durable_peer_work)
echo "install of the example kit: $(ms "$ours") ms; cp + cabextract -F of the same files: $(ms "$peer") ms; ratio $(ratio "$ours" "$peer") (goal <= 2)"
echo "  the same tools, then sync of each file: $(ms "$durable") ms; ratio $(ratio "$ours" "$durable")"

# Printers already present: registry records of N printers on the kit's driver.
seed_printers() {
  local n=$1 file=$work/seed.reg
  "$winsim" reg export 'HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers\'"$printer" |
    sed -n '/^\[/,/^$/p' > "$work/one.reg"
  {
    echo "Windows Registry Editor Version 5.00"
    for i in $(seq "$n"); do
      printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Seed Printer %d]\n' "$i"
      sed -e 1d -e "s/^\"Name\"=.*/\"Name\"=\"Seed Printer $i\"/" -e "s/^\"Printer Driver\"=.*/\"Printer Driver\"=\"Another Driver\"/" "$work/one.reg"
    done
  } > "$file"
  "$winsim" reg import "$file"
}

base_install=""
base_uninstall=""
for n in 1 100 1000; do
  prepare
  "$quillset" "$install_line" >/dev/null 2>&1 || true
  seed_printers "$n"
  reset_install
  inst=$(mean_of reset_install "$quillset" "$install_line")
  "$quillset" "$install_line" >/dev/null 2>&1 || true
  reinstall() { "$quillset" "$install_line" >/dev/null 2>&1 || true; }
  uninst=$(mean_of reinstall "$quillset" "$uninstall_line")
  [ -z "$base_install" ] && base_install=$inst
  [ -z "$base_uninstall" ] && base_uninstall=$uninst
  echo "with $n printers present: install $(ms "$inst") ms ($(ratio "$inst" "$base_install")x the 1-printer install), uninstall $(ms "$uninst") ms ($(ratio "$uninst" "$base_uninstall")x the 1-printer uninstall); goal <= 1.5 at 1000 for both"
done

prepare
/usr/bin/time -o "$work/rss" -f '%M' "$quillset" "$install_line" >/dev/null 2>&1 || true
peak=$(tail -1 "$work/rss")
printf 'peak resident memory of an install: %s KiB (goal < 10240)\n' "$peak"
