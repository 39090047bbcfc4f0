#!/usr/bin/env bash
# No DLL planting: a WINSPOOL.DRV and a SETUPAPI.DLL placed beside
# Quillset.exe, or beside a setup program that loads Ombrel.dll, are never
# loaded, and the install still works; nor is a UXTHEME.DLL, which USER32
# loads by name for the first box a process shows. WINEDLLOVERRIDES=...=n,b
# makes Wine prefer a native DLL found through the search path, which starts
# at the program's folder, as Windows does for a DLL that is not a KnownDLL.
# Each planted DLL leaves a marker when loaded (planted_dll.c); a control
# program that loads them by bare name, or shows a box itself, must leave the
# markers, or the set-up could not catch anything.
set -u
bin="${KIT_BIN_DIR:?}" planted="${KIT_BUILD_DIR:?}/planted"
. "$(dirname "$0")/test_lib.sh"
use_wine
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winspool.drv,setupapi,uxtheme=n,b"

plant() {  # folder, programs to copy into it...
  local folder=$1
  shift
  mkdir -p "$folder"
  cp "$planted/winspool.drv" "$planted/setupapi.dll" "$planted/uxtheme.dll" "$folder/"
  for program in "$@"; do cp "$bin/$program" "$folder/"; done
}
markers() { find "$1" -name '*.loaded' -printf '%f\n' | sort | tr '\n' ' '; }

wineboot -i >/dev/null 2>&1 || true
windows="$WINEPREFIX/drive_c/windows"
mkdir -p "$windows/Driver Cache/i386"
cp "$KIT_SOURCE_DIR/examples/kit/driver.cab" "$windows/Driver Cache/i386/driver.cab"

# The control: bare names through the search path take the planted files.
plant "$work/control" plant_control.exe
timeout 120 wine "$work/control/plant_control.exe" winspool.drv setupapi.dll uxtheme.dll >"$work/control.log" 2>&1
[ "$(markers "$work/control")" = "setupapi.dll.loaded uxtheme.dll.loaded winspool.drv.loaded " ] &&
  ok "the control program loads the planted DLLs by bare name" ||
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
# A run without arguments shows the "Invalid Parameters" box: USER32 loads
# its theme library then.
timeout 120 wine "$work/setup/Quillset.exe" >/dev/null 2>&1
[ -z "$(markers "$work/setup")" ] && ok "Quillset.exe loaded no planted DLL" ||
  bad "Quillset.exe loaded planted DLLs: $(markers "$work/setup")"

# Ombrel.dll, loaded by a program beside which the DLLs were planted: its
# first spooler call loads the spooler.
# The theme library beside the setup program itself is the program's to keep
# out: a DLL cannot take its caller's folder out of the search order without
# changing the process for good (see below for what Ombrel.dll does).
plant "$work/caller" ombrel_caller.exe Ombrel.dll
rm "$work/caller/uxtheme.dll"
output=$(timeout 120 wine "$work/caller/ombrel_caller.exe" 2>&1 | tr -d '\r')
status=$?
[ "$status" = 0 ] && ok "the Ombrel caller works beside planted DLLs" || bad "the Ombrel caller exits $status: $output"
[ -z "$(markers "$work/caller")" ] && ok "Ombrel.dll loaded no planted DLL" ||
  bad "Ombrel.dll loaded planted DLLs: $(markers "$work/caller")"

# A setup program that set its own DLL directory to a folder holding a
# planted uxtheme.dll. Its own box loads it (the control); a box and a URL
# that Ombrel.dll shows or opens do not, and the program finds its DLL
# directory and its own folder's DLLs as it left them.
search_order() {  # box|ombrel
  local folder="$work/search-$1"
  mkdir -p "$folder/planted"
  cp "$planted/uxtheme.dll" "$folder/planted/"
  cp "$planted/own_folder.dll" "$bin/search_order_caller.exe" "$bin/Ombrel.dll" "$folder/"
  timeout 120 wine "$folder/search_order_caller.exe" "$(winpath "$folder/planted")" "$1" 2>/dev/null |
    tr -d '\r' >"$folder/log"
  printf '%s|%s' "$(markers "$folder/planted")" "$(tr '\n' ' ' <"$folder/log")"
}
want="DLL directory: $(winpath "$work/search-box/planted") own folder: loads "
check "the control's own box loads uxtheme.dll from its DLL directory" \
  "$(search_order box)" "uxtheme.dll.loaded |$want"
want="DLL directory: $(winpath "$work/search-ombrel/planted") own folder: loads "
check "Ombrel's box and URL load no planted DLL and leave the caller's search order" \
  "$(search_order ombrel)" "|$want"

wine reg delete "$app_key" /f >/dev/null 2>&1
exit $fail
