#!/usr/bin/env bash
# Quillset.exe is marked terminal-server aware: on a terminal server in
# application mode a program without the mark sees a private Windows
# directory, where the uninstall would not find the INF copy it must delete.
set -u
reader="$KIT_SOURCE_DIR/tests/windows/pe_reader.py"
flags=$(python3 "$reader" flags "$KIT_BIN_DIR/Quillset.exe") || { echo "FAIL: cannot read Quillset.exe"; exit 1; }
if grep -qx TERMINAL_SERVER_AWARE <<<"$flags"; then
  echo "ok: Quillset.exe is terminal-server aware"
else
  echo "FAIL: Quillset.exe lacks TERMINAL_SERVER_AWARE (has: $(tr '\n' ' ' <<<"$flags"))"
  exit 1
fi
