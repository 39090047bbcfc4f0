#!/usr/bin/env bash
# Installs and uninstalls the example kit with Quillset.exe under Wine, on
# both install paths, and checks what Wine shows of the result: the exit
# codes, the spooler's registry keys, the driver files, the default printer,
# the driver record and the INF copy in the prefix's windows\inf.
#
# What Wine 8 itself does not do, and this test therefore does not expect:
# - SetupAddToSourceListA is a stub that succeeds without writing anything,
#   so the installation source list is never checked.
# - SetupRemoveFromSourceListA is not implemented at all: the uninstall
#   aborts there with an unhandled exception, after the printers, the driver
#   attempt, the default printer and the INF copy, and before the driver
#   record is deleted and the settings broadcast. Its exit code and the
#   record's removal are therefore not checked.
# - DeletePrinterDriverExA refuses DPD_DELETE_ALL_FILES ("unsupported"): the
#   driver and its files stay after the uninstall (the installer traces it).
# - printui.dll's PrintUIEntry does not install from an INF (/if), so the
#   signed path (Wine reports Windows 7, version code 9) creates no printer.
#   Only what the installer does itself on that path is checked: the INF
#   registered through SetupCopyOEMInfA and recorded as "OEMINF".
# Wine 8 keeps the INF's own file name for the copy (setup.inf), where
# Windows names it oem<N>.inf; the test reads the name from "OEMINF".
set -u
exe_unix="${KIT_BIN_DIR:?}/Quillset.exe"
kit_unix="${KIT_SOURCE_DIR:?}/examples/kit"
[ -f "$exe_unix" ] || { echo "FAIL: $exe_unix is missing"; exit 1; }
. "$(dirname "$0")/test_lib.sh"
use_wine


exe=$(winpath "$exe_unix")
inf=$(winpath "$kit_unix/setup.inf")
printer="Brevant TR-2210 Series PS"

wineboot -i >/dev/null 2>&1 || true
windows="$WINEPREFIX/drive_c/windows"
mkdir -p "$windows/Driver Cache/i386"
cp "$kit_unix/driver.cab" "$windows/Driver Cache/i386/driver.cab"

# Wine rebuilds a command line from its arguments with quotes escaped, so
# the exact command line goes through a batch file instead.
run_quillset() {  # command line -> exit code
  printf '@echo off\r\n%s %s\r\nexit %%ERRORLEVEL%%\r\n' "$exe" "$1" >"$work/run.bat"
  timeout 300 wine cmd /c "$(winpath "$work/run.bat")" >"$work/out.log" 2>&1
  local status=$?
  wineserver -w 2>/dev/null
  return $status
}

reg_query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
key_exists() { wine reg query "$1" >/dev/null 2>&1; }
printers_key='HKLM\System\CurrentControlSet\Control\Print\Printers'
drivers_key='HKLM\System\CurrentControlSet\Control\Print\Environments\Windows NT x86\Drivers\Version-3'
record_key="HKLM\\Software\\Brevant\\QXPrinter\\Drivers\\$printer"
device_key='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'
app_key='HKCU\Software\Wine\AppDefaults\Quillset.exe'
install_line="/INF \"$inf\" /PRINTER \"$printer\" /MDL \"TR-2210\""
uninstall_line="/INF \"$inf\" /UNINSTALL \"$printer\""

# Leftovers of an earlier run in the same prefix.
wine reg delete 'HKLM\Software\Brevant' /f >/dev/null 2>&1
rm -f "$windows/inf/setup.inf" "$windows/inf/setup.pnf"

# ---- the installer's own path (Windows 2000) ----------------------------------
wine reg add "$app_key" /v Version /d win2k /f >/dev/null 2>&1
run_quillset "$install_line"; check "install exits 1" $? 1
if key_exists "$printers_key\\$printer"; then ok "printer created"; else bad "no printer"; fi
if key_exists "$drivers_key\\$printer"; then ok "driver registered"; else bad "no driver"; fi
for f in PSCRIPT5.DLL PS5UI.DLL TR2210.PPD BRVUI.DLL; do
  if [ -f "$windows/system32/spool/drivers/w32x86/3/$f" ]; then ok "driver file $f"; else bad "no driver file $f"; fi
done
if reg_query "$device_key" /v Device | grep -q "$printer,"; then ok "printer is the default"; else bad "default printer not set"; fi
if key_exists "$record_key"; then ok "driver record created"; else bad "no driver record"; fi
if reg_query "$record_key" | grep -q OEMINF; then bad "OEMINF written on the installer's own path"; else ok "no OEMINF"; fi
if [ -f "$windows/inf/setup.inf" ]; then ok "INF copied to windows\\inf"; else bad "no INF copy"; fi

: >"$windows/inf/setup.pnf"
run_quillset "$uninstall_line"  # aborts in SetupRemoveFromSourceListA (see above)
if key_exists "$printers_key\\$printer"; then bad "printer still there"; else ok "printer deleted"; fi
if reg_query "$device_key" /v Device | grep -q "$printer,"; then bad "deleted printer still the default"; else ok "default cleared"; fi
[ -f "$windows/inf/setup.inf" ] && bad "INF copy still there" || ok "INF copy deleted"
[ -f "$windows/inf/setup.pnf" ] && bad "PNF file still there" || ok "PNF file deleted"

# ---- the signed path (Wine's own version, Windows 7: code 9) -------------------
wine reg delete "$app_key" /f >/dev/null 2>&1
wine reg delete 'HKLM\Software\Brevant' /f >/dev/null 2>&1
run_quillset "$install_line"; check "signed-path install exits 1" $? 1
copy=$(reg_query "$record_key" /v OEMINF | sed -n 's/^ *OEMINF *REG_SZ *//p')
case "$copy" in
  [Cc]:\\windows\\inf\\*) ok "OEMINF names the registered copy $copy" ;;
  *) bad "OEMINF is '$copy'" ;;
esac
copy_unix="$windows/inf/${copy##*\\}"
if [ -n "$copy" ] && [ -f "$copy_unix" ]; then ok "registered copy exists"; else bad "no registered copy"; fi

run_quillset "$uninstall_line"  # aborts in SetupRemoveFromSourceListA (see above)
if [ -n "$copy" ] && [ ! -f "$copy_unix" ]; then ok "copy named by OEMINF deleted"; else bad "copy not deleted"; fi

wine reg delete 'HKLM\Software\Brevant' /f >/dev/null 2>&1
exit $fail
