#!/usr/bin/env bash
# Builds examples/nsis/brevant-setup.nsi with makensis around the tested
# Quillset.exe and Ombrel.dll, runs the installer and its uninstaller
# silently under Wine as Windows 2000 (the example kit's driver.cab in the
# driver cache, its port records imported with regedit), and checks what
# they did and what they recorded: the printer present, the default and its
# files read-only after the install; gone after the uninstall.
#
# Under Wine 8 the uninstall by Quillset.exe ends early (see install_test.sh:
# SetupRemoveFromSourceListA is missing), after the printer is deleted; its
# exit code is recorded but not checked.
set -u
command -v makensis >/dev/null || { echo "FAIL: makensis is not installed (scripts/install-deps)"; exit 1; }
. "$(dirname "$0")/test_lib.sh"
use_wine

installer="$work/brevant-tr2210-installer.exe"
makensis -V2 -DBIN_DIR="${KIT_BIN_DIR:?}" -DKIT_DIR="$KIT_SOURCE_DIR/examples/kit" -DOUTFILE="$installer" \
  "$KIT_SOURCE_DIR/examples/nsis/brevant-setup.nsi" >"$work/makensis.log" 2>&1 ||
  { echo "FAIL: makensis: $(cat "$work/makensis.log")"; exit 1; }
ok "makensis built the example installer"

wineboot -i >/dev/null 2>&1 || true
windows="$WINEPREFIX/drive_c/windows"
mkdir -p "$windows/Driver Cache/i386"
cp "$KIT_SOURCE_DIR/examples/kit/driver.cab" "$windows/Driver Cache/i386/driver.cab"
wine regedit /S "$(winpath "$KIT_SOURCE_DIR/examples/kit/ports.reg")" >/dev/null 2>&1
for program in brevant-tr2210-installer.exe uninstall.exe Quillset.exe; do
  wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /d win2k /f >/dev/null 2>&1
done

printer="Brevant TR-2210 Series PS"
printer_key="HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\$printer"
device_key='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows'
target='C:\Brevant\TR-2210'
target_unix="$WINEPREFIX/drive_c/Brevant/TR-2210"
rm -rf "$target_unix"
recorded() { sed -n "s/^$2=//p" "$1" | tr -d '\r' | tail -1; }

# ---- install -------------------------------------------------------------
timeout 300 wine "$installer" /S "/LOG=$(winpath "$work/install.log")" "/D=$target" >/dev/null 2>&1
status=$?
wineserver -w 2>/dev/null
check "the silent install exits 0" "$status" 0
[ -f "$work/install.log" ] || { bad "the installer wrote no results"; exit 1; }
check "IsPrinterInstalled before the install" "$(recorded "$work/install.log" 'before-install IsPrinterInstalled')" 0
check "Quillset.exe's install exit code" "$(recorded "$work/install.log" Quillset-install)" 1
check "IsPrinterInstalled after the install" "$(recorded "$work/install.log" 'after-install IsPrinterInstalled')" 1
check "MySetDefaultPrinter" "$(recorded "$work/install.log" MySetDefaultPrinter)" 1
check "MySetFilesAttibute" "$(recorded "$work/install.log" MySetFilesAttibute)" 1
wine reg query "$printer_key" >/dev/null 2>&1 && ok "the printer exists" || bad "no printer after the install"
port=$(wine reg query "$printer_key" /v Port 2>/dev/null | tr -d '\r' | sed -n 's/^ *Port *REG_SZ *//p')
check "the printer's port, from the imported port records" "$port" USB002
wine reg query "$device_key" /v Device 2>/dev/null | grep -q "$printer," && ok "the printer is the default" ||
  bad "the printer is not the default"
# Wine keeps FILE_ATTRIBUTE_READONLY as a file without write permission.
for f in setup.inf TR2210.PPD BRVUI.DLL; do
  case "$(stat -c %A "$target_unix/Driver/$f" 2>/dev/null)" in
    -r-?r-?r-?) ok "$f is read-only" ;;
    *) bad "$f is not read-only: $(stat -c %A "$target_unix/Driver/$f" 2>&1)" ;;
  esac
done
[ -f "$target_unix/uninstall.exe" ] && ok "the uninstaller was written" || bad "no uninstaller"

# ---- uninstall (in place: _?= makes it run without copying itself) ------
timeout 300 wine "$target_unix/uninstall.exe" /S "/LOG=$(winpath "$work/uninstall.log")" "_?=$target" >/dev/null 2>&1
status=$?
wineserver -w 2>/dev/null
check "the silent uninstall exits 0" "$status" 0
[ -f "$work/uninstall.log" ] || { bad "the uninstaller wrote no results"; exit 1; }
grep -q '^Quillset-uninstall=' "$work/uninstall.log" && ok "Quillset.exe ran the uninstall" ||
  bad "Quillset.exe did not run the uninstall"
check "IsPrinterInstalled after the uninstall" "$(recorded "$work/uninstall.log" 'after-uninstall IsPrinterInstalled')" 0
check "MySetFilesAttibute before the files are deleted" "$(recorded "$work/uninstall.log" MySetFilesAttibute)" 1
wine reg query "$printer_key" >/dev/null 2>&1 && bad "the printer is still there" || ok "the printer is gone"
wine reg query "$device_key" /v Device 2>/dev/null | grep -q "$printer," && bad "the deleted printer is still the default" ||
  ok "the default printer is no longer the deleted one"
[ -d "$target_unix/Driver" ] && bad "the kit's files are still there" || ok "the kit's files are gone"

for program in brevant-tr2210-installer.exe uninstall.exe Quillset.exe; do
  wine reg delete "HKCU\\Software\\Wine\\AppDefaults\\$program" /f >/dev/null 2>&1
done
wine reg delete 'HKLM\Software\Brevant' /f >/dev/null 2>&1
rm -f "$windows/inf/setup.inf" "$windows/inf/setup.pnf"
exit $fail
