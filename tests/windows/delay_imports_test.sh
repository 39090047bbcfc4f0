#!/usr/bin/env bash
# Neither deliverable imports a DLL statically that is not a KnownDLL on every
# Windows the kit supports: WINSPOOL.DRV and SETUPAPI.DLL are delay imports
# (loaded by full path in the system directory at first use), and what stays
# in the static import table is KERNEL32, USER32, ADVAPI32, SHELL32 and msvcrt.
set -u
reader="$KIT_SOURCE_DIR/tests/windows/pe_reader.py"
fail=0
known='^(KERNEL32|USER32|ADVAPI32|SHELL32|MSVCRT)\.DLL$'
check() {  # file, delay-imported DLLs it must have
  local name=$1 imports
  shift
  imports=$(python3 "$reader" imports "$KIT_BIN_DIR/$name") || { echo "FAIL: cannot read $name"; fail=1; return; }
  while read -r dll; do
    if [[ "${dll^^}" =~ $known ]]; then echo "ok: $name imports the KnownDLL $dll"; else
      echo "FAIL: $name imports $dll statically"; fail=1; fi
  done < <(awk '$1 == "static" {print $2}' <<<"$imports" | sort -u)
  for dll in "$@"; do
    if awk -v d="$dll" '$1 == "delay" && toupper($2) == d' <<<"$imports" | grep -q .; then
      echo "ok: $name delay-imports $dll"
    else
      echo "FAIL: $name does not delay-import $dll"; fail=1
    fi
  done
}
check Quillset.exe WINSPOOL.DRV SETUPAPI.DLL
check Ombrel.dll WINSPOOL.DRV
exit $fail
