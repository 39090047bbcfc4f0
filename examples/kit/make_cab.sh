#!/bin/sh
# Builds driver.cab, the example kit's stand-in for the system's driver cache
# (<Windows>\Driver Cache\i386\driver.cab): the core PostScript files that
# setup.inf lists in [PSCRIPT] but the kit does not ship, plus a few members
# of other drivers that an install must skip. Needs gcab (Debian: gcab).
set -eu
kit_dir=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

member() {
  printf 'MZ stand-in: %s of the system driver cache\n' "$1" > "$work/$1"
}

# Cabinet order: members the install skips stand between the ones it takes.
members="UNIDRV.DLL PSCRIPT5.DLL UNIDRVUI.DLL PS5UI.DLL PSCRIPT.HLP PCL5ERES.DLL PSCRIPT.NTF"
for name in $members; do member "$name"; done

cd "$work"
rm -f "$kit_dir/driver.cab"
# -z: MSZIP compression; -n: store bare names.
# shellcheck disable=SC2086
gcab -c -z -n "$kit_dir/driver.cab" $members
gcab -t "$kit_dir/driver.cab"
