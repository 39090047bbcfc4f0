#!/usr/bin/env bash
# Quillset.exe is a PE32 i386 GUI program that imports only system DLLs and
# takes the set-default-printer operation from WINSPOOL.DRV by ordinal 202
# (a delay import: tests/windows/pe_reader.py reads both import tables);
# under Wine (headless: a message box returns at once) an empty command line
# ends with exit code 1 (help) and one without a slash with 0 (invalid).
set -u
exe="$KIT_BIN_DIR/Quillset.exe"
fail=0
check() { if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAIL: $1 (got $2, want $3)"; fail=1; fi; }

desc=$(file -b "$exe")
case "$desc" in
  "PE32 executable (GUI) Intel 80386"*) echo "ok: $desc" ;;
  *) echo "FAIL: not a PE32 i386 GUI program: $desc"; fail=1 ;;
esac

dump=$("$KIT_OBJDUMP" -p "$exe")
allowed='^(ADVAPI32\.dll|KERNEL32\.dll|USER32\.dll|SHELL32\.dll|WINSPOOL\.DRV|SETUPAPI\.dll|msvcrt\.dll)$'
while read -r dll; do
  if ! [[ "$dll" =~ $allowed ]]; then echo "FAIL: imports non-system DLL $dll"; fail=1; fi
done < <(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
imports=$(python3 "$KIT_SOURCE_DIR/tests/windows/pe_reader.py" imports "$exe")
if grep -Eqx '(static|delay) WINSPOOL\.DRV #202' <<<"$imports"; then
  echo "ok: ordinal 202 imported without a name"
else
  echo "FAIL: no import by ordinal 202"; fail=1
fi
if grep -Eq '^(static|delay) WINSPOOL\.DRV SetDefaultPrinter' <<<"$imports"; then
  echo "FAIL: the set-default-printer operation is imported by name"; fail=1
fi

wineboot -i >/dev/null 2>&1 || true
wine "$exe" >/dev/null 2>&1; check "empty command line exits 1" $? 1
wine "$exe" 'no slash here' >/dev/null 2>&1; check "command line without a slash exits 0" $? 0
wine "$exe" '/inf "x" /printer "y"' >/dev/null 2>&1; check "lower-case switches exit 0" $? 0
exit $fail
