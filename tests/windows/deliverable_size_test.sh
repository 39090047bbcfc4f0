#!/usr/bin/env bash
# Both deliverables are stripped and within their size goals (set in
# cmake/windows.cmake): a size regression, or a runtime piece that comes back
# into the link (libstdc++'s exception machinery, mingw-w64's printf), fails
# here.
set -u
fail=0
check_file() {  # file, goal in KiB
  local file="$KIT_BIN_DIR/$1" goal=$2
  [ -f "$file" ] || { echo "FAIL: $file is missing"; fail=1; return; }
  local bytes
  bytes=$(stat -c %s "$file")
  if [ "$bytes" -le $((goal * 1024)) ]; then
    echo "ok: $1 is $bytes bytes, goal $goal KiB"
  else
    echo "FAIL: $1 is $bytes bytes, over its goal of $goal KiB"; fail=1
  fi
  if "$KIT_OBJDUMP" -t "$file" | grep -q '^\[ *[0-9]'; then
    echo "FAIL: $1 still carries a symbol table"; fail=1
  else
    echo "ok: $1 is stripped"
  fi
}
check_file Quillset.exe "${KIT_QUILLSET_GOAL_KIB:?}"
check_file Ombrel.dll "${KIT_OMBREL_GOAL_KIB:?}"
exit $fail
