#!/bin/bash
# Checks Ombrel.dll's PE headers, export table and imports: a 32-bit i386
# DLL that exports exactly the five plain names with ordinals 1 to 5 in
# alphabetical order, and imports nothing but system DLLs.
set -u
dll="${KIT_BIN_DIR:?}/Ombrel.dll"
objdump="${KIT_OBJDUMP:-i686-w64-mingw32-objdump}"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

[ -f "$dll" ] || { echo "FAIL: $dll is missing" >&2; exit 1; }
headers=$("$objdump" -p "$dll") || { echo "FAIL: $objdump cannot read $dll" >&2; exit 1; }

grep -q 'file format pei-i386' <<<"$headers" || fail "not an i386 PE file"
grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" || fail "not PE32 (optional header magic)"
grep -Eq '^[[:space:]]+DLL$' <<<"$headers" || fail "characteristics do not mark a DLL"

# The export table as objdump prints it: the ordinal base, then one line per
# name, "[index] name" (newer binutils add "+base[ordinal]" before the name).
base=$(awk '/^Ordinal Base/ {print $3; exit}' <<<"$headers")
[ "$base" = "1" ] || fail "ordinal base is '${base:-none}', not 1"
address_count=$(awk '/Export Address Table[[:space:]]+[0-9a-fA-F]+$/ {print $NF; exit}' <<<"$headers")
[ "$((16#${address_count:-0}))" = "5" ] || fail "export address table has ${address_count:-no} entries, not 5"

mapfile -t exports < <(awk '
  /^\[Ordinal\/Name Pointer\] Table/ {in_table = 1; next}
  in_table && NF == 0 {exit}
  in_table {
    index_text = $0; sub(/^[^[]*\[[[:space:]]*/, "", index_text); sub(/\].*/, "", index_text)
    print index_text " " $NF
  }' <<<"$headers")

expected=(IsPrinterInstalled MySetDefaultPrinter MySetFilesAttibute OpenURL UninstallPrinter)
[ "${#exports[@]}" = "${#expected[@]}" ] ||
  fail "${#exports[@]} exported names, expected ${#expected[@]}: ${exports[*]:-none}"
for i in "${!exports[@]}"; do
  index=${exports[$i]%% *}
  name=${exports[$i]#* }
  case "$name" in
    *@* | _* | *\?*) fail "decorated export name '$name'" ;;
  esac
  want=${expected[$i]:-}
  [ "$name" = "$want" ] || fail "export $((i + 1)) is '$name', expected '${want:-nothing}'"
  [ "$((index + base))" = "$((i + 1))" ] || fail "'$name' has ordinal $((index + base)), expected $((i + 1))"
done

allowed=" KERNEL32.DLL USER32.DLL ADVAPI32.DLL SHELL32.DLL WINSPOOL.DRV SETUPAPI.DLL MSVCRT.DLL "
while read -r imported; do
  upper=$(tr '[:lower:]' '[:upper:]' <<<"$imported")
  [[ "$allowed" == *" $upper "* ]] || fail "imports non-system DLL '$imported'"
done < <(awk '/DLL Name:/ {print $3}' <<<"$headers")

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed for $dll" >&2
  exit 1
fi
echo "Ombrel.dll: PE32 i386 DLL, five plain exports at ordinals 1-5, system imports only"
