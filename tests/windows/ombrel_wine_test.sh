#!/bin/bash
# Runs the export probe under Wine: it loads Ombrel.dll beside it, calls each
# export with the stdcall signature and checks the results against a printer
# it creates in the Wine prefix.
set -u
probe="${KIT_BIN_DIR:?}/ombrel_probe.exe"
[ -f "$probe" ] || { echo "FAIL: $probe is missing" >&2; exit 1; }
[ -f "$KIT_BIN_DIR/Ombrel.dll" ] || { echo "FAIL: Ombrel.dll is missing" >&2; exit 1; }
command -v wine >/dev/null || { echo "FAIL: wine is not installed" >&2; exit 1; }
unset DISPLAY
export WINEDEBUG="${WINEDEBUG:--all}"
output=$(timeout 300 wine "$probe" 2>&1)
status=$?
printf '%s\n' "$output"
[ "$status" -eq 0 ] || { echo "FAIL: probe exited with $status" >&2; exit 1; }
grep -q '^FAIL' <<<"$output" && { echo "FAIL: probe reported failures" >&2; exit 1; }
grep -q '^0 failure(s)' <<<"$output" || { echo "FAIL: probe did not finish" >&2; exit 1; }
exit 0
