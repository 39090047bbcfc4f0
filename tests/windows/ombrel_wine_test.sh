#!/bin/bash
# Runs the export probe under Wine: it loads Ombrel.dll beside it, calls each
# export with the stdcall signature and checks the results against printers
# it creates in the Wine prefix. Then it runs again as Windows NT 4 and as
# Windows 98 (Wine's per-program version setting) to see the default printer
# set by the profile entry and by the printer attribute.
set -u
probe="${KIT_BIN_DIR:?}/ombrel_probe.exe"
[ -f "$probe" ] || { echo "FAIL: $probe is missing" >&2; exit 1; }
[ -f "$KIT_BIN_DIR/Ombrel.dll" ] || { echo "FAIL: Ombrel.dll is missing" >&2; exit 1; }
command -v wine >/dev/null || { echo "FAIL: wine is not installed" >&2; exit 1; }
unset DISPLAY
export WINEDEBUG="${WINEDEBUG:--all}"
app_key='HKCU\Software\Wine\AppDefaults\ombrel_probe.exe'
failed=0

run_probe() {  # label, probe arguments...
  local label=$1 output status
  shift
  output=$(timeout 300 wine "$probe" "$@" 2>&1)
  status=$?
  printf '%s\n' "$output" | sed "s/^/[$label] /"
  if [ "$status" -ne 0 ] || grep -q '^FAIL' <<<"$output" || ! grep -q '^0 failure(s)' <<<"$output"; then
    echo "FAIL: probe run '$label' (exit $status)" >&2
    failed=1
  fi
}

set_version() {  # Wine version name, or "" to go back to the prefix's own
  if [ -n "$1" ]; then
    wine reg add "$app_key" /v Version /d "$1" /f >/dev/null 2>&1
  else
    wine reg delete "$app_key" /f >/dev/null 2>&1
  fi
}

set_version ""
run_probe exports
set_version nt40
run_probe nt4 profile
set_version win98
run_probe win98 attribute
set_version ""
exit "$failed"
