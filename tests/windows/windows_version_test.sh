#!/usr/bin/env bash
# What Quillset.exe's manifest makes Windows 10 report: Wine, set to Windows
# 10, tells a program 6.2 unless its manifest declares Windows 8.1 or 10 (as
# Windows 8.1 and later do), so Quillset.exe classifies it as XP-class and
# takes the signed path. A copy whose manifest declares Windows 10 instead of
# 8 is told 10.0 and takes the installer's own path: the control that shows
# the declaration is what decides. The path shows in the installer's trace;
# a model that the INF lacks ends the own path at its first step.
set -u
. "$(dirname "$0")/test_lib.sh"
use_wine
windows="$WINEPREFIX/drive_c/windows"
wineboot -i >/dev/null 2>&1 || true

# The control: the same program with the Windows 8 entry turned into the
# Windows 10 one (both GUIDs have 36 characters, so nothing else moves).
mkdir -p "$work/declared" "$work/shipped"
cp "$KIT_BIN_DIR/Quillset.exe" "$work/shipped/Quillset.exe"
python3 - "$KIT_BIN_DIR/Quillset.exe" "$work/declared/Quillset.exe" <<'PY' || { echo "FAIL: no Windows 8 entry to replace"; exit 1; }
import sys
data = open(sys.argv[1], "rb").read()
windows8, windows10 = b"4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", b"8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"
if data.count(windows8) != 1:
    sys.exit(1)
open(sys.argv[2], "wb").write(data.replace(windows8, windows10))
PY

app_key='HKCU\Software\Wine\AppDefaults\Quillset.exe'
wine reg add "$app_key" /v Version /d win10 /f >/dev/null 2>&1
run_path() {  # folder -> the install path named in the trace
  local folder=$1
  printf '@echo off\r\n%s /INF "%s" /PRINTER "Quillset Version Probe" /MDL "X"\r\n' \
    "$(winpath "$folder/Quillset.exe")" "$(winpath "$KIT_SOURCE_DIR/examples/kit/setup.inf")" >"$work/run.bat"
  QUILLSET_TRACE="$(winpath "$folder/trace.txt")" timeout 300 wine cmd /c "$(winpath "$work/run.bat")" >/dev/null 2>&1
  wineserver -w 2>/dev/null
  grep -o 'Setup\(Signed\|Unsigned\)Printer[A-Za-z]*' "$folder/trace.txt" 2>/dev/null | head -1
}
path=$(run_path "$work/shipped")
[ "$path" = SetupSignedPrinterOnWindowsXP ] && ok "Windows 10 takes the XP-class (signed) path" ||
  bad "Windows 10 takes '${path:-no}' path"
path=$(run_path "$work/declared")
[ "$path" = SetupUnsignedPrinter ] && ok "control: declaring Windows 10 sends it down the Windows 2000 path" ||
  bad "control: a manifest declaring Windows 10 takes '${path:-no}' path"

wine reg delete "$app_key" /f >/dev/null 2>&1
wine reg delete 'HKLM\Software\Brevant' /f >/dev/null 2>&1
rm -f "$windows/inf/setup.inf" "$windows/inf/setup.pnf"
exit $fail
