#!/usr/bin/env bash
# No DLL planting: a WINSPOOL.DRV and a SETUPAPI.DLL placed beside
# Quillset.exe, or beside a setup program that loads Ombrel.dll, are never
# loaded, and the install still works. WINEDLLOVERRIDES="winspool.drv,setupapi=n,b"
# makes Wine prefer a native DLL found through the search path, which starts
# at the program's folder, as Windows does for a DLL that is not a KnownDLL.
# Each planted DLL leaves a marker when loaded (planted_dll.c); a control
# program that loads both by bare name must leave both markers, or the set-up
# could not catch anything.
set -u
bin="${KIT_BIN_DIR:?}" planted="${KIT_BUILD_DIR:?}/planted"
. "$(dirname "$0")/test_lib.sh"
use_wine
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winspool.drv,setupapi=n,b"

plant() {  # folder, programs to copy into it...
  local folder=$1
  shift
  mkdir -p "$folder"
  cp "$planted/winspool.drv" "$planted/setupapi.dll" "$folder/"
  for program in "$@"; do cp "$bin/$program" "$folder/"; done
}
markers() { find "$1" -name '*.loaded' -printf '%f\n' | sort | tr '\n' ' '; }

wineboot -i >/dev/null 2>&1 || true
windows="$WINEPREFIX/drive_c/windows"
mkdir -p "$windows/Driver Cache/i386"
cp "$KIT_SOURCE_DIR/examples/kit/driver.cab" "$windows/Driver Cache/i386/driver.cab"

# The control: bare names through the search path take the planted files.
plant "$work/control" plant_control.exe
timeout 120 wine "$work/control/plant_control.exe" winspool.drv setupapi.dll >"$work/control.log" 2>&1
[ "$(markers "$work/control")" = "setupapi.dll.loaded winspool.drv.loaded " ] &&
  ok "the control program loads both planted DLLs by bare name" ||
  bad "the control left markers '$(markers "$work/control")': $(tr -d '\r' <"$work/control.log")"

# Quillset.exe: an install on the installer's own path (Windows 2000) uses
# both DLLs: the spooler for the driver and printer, Setup API for the
# driver cabinet and the source list.
plant "$work/setup" Quillset.exe
app_key='HKCU\Software\Wine\AppDefaults\Quillset.exe'
printer="Brevant TR-2210 Series PS"
inf=$(winpath "$KIT_SOURCE_DIR/examples/kit/setup.inf")
wine reg add "$app_key" /v Version /d win2k /f >/dev/null 2>&1
printf '@echo off\r\n%s /INF "%s" /PRINTER "%s" /MDL "TR-2210"\r\nexit %%ERRORLEVEL%%\r\n' \
  "$(winpath "$work/setup/Quillset.exe")" "$inf" "$printer" >"$work/run.bat"
timeout 300 wine cmd /c "$(winpath "$work/run.bat")" >/dev/null 2>&1
status=$?
wineserver -w 2>/dev/null
[ "$status" = 1 ] && ok "the install beside planted DLLs exits 1" || bad "the install exits $status"
if wine reg query "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\$printer" >/dev/null 2>&1; then
  ok "the printer was created"
else
  bad "no printer after the install"
fi
# The uninstall takes the printer away again (Wine ends it early, see
# install_test.sh) and goes through the same loads.
printf '@echo off\r\n%s /INF "%s" /UNINSTALL "%s"\r\nexit %%ERRORLEVEL%%\r\n' \
  "$(winpath "$work/setup/Quillset.exe")" "$inf" "$printer" >"$work/run.bat"
timeout 300 wine cmd /c "$(winpath "$work/run.bat")" >/dev/null 2>&1
wineserver -w 2>/dev/null
wine reg delete 'HKLM\Software\Brevant' /f >/dev/null 2>&1
[ -z "$(markers "$work/setup")" ] && ok "Quillset.exe loaded no planted DLL" ||
  bad "Quillset.exe loaded planted DLLs: $(markers "$work/setup")"

# Ombrel.dll, loaded by a program beside which the DLLs were planted: its
# first spooler call loads the spooler.
plant "$work/caller" ombrel_caller.exe Ombrel.dll
output=$(timeout 120 wine "$work/caller/ombrel_caller.exe" 2>&1 | tr -d '\r')
status=$?
[ "$status" = 0 ] && ok "the Ombrel caller works beside planted DLLs" || bad "the Ombrel caller exits $status: $output"
[ -z "$(markers "$work/caller")" ] && ok "Ombrel.dll loaded no planted DLL" ||
  bad "Ombrel.dll loaded planted DLLs: $(markers "$work/caller")"

wine reg delete "$app_key" /f >/dev/null 2>&1
exit $fail
