#!/usr/bin/env bash
# What every Wine test relies on from scripts/wine-run, on whichever route
# this machine takes (natively, or inside the emulated machine): a Windows
# program sees the caller's environment, current folder and files, writes
# files the caller sees, keeps its standard output apart from its standard
# error, hands back its exit status, and ends when `timeout` ends it, after
# which `wineserver -w` returns and Wine still runs programs.
set -u
source "$KIT_SOURCE_DIR/tests/windows/test_lib.sh"
use_wine
echo "route: $("$KIT_SOURCE_DIR/scripts/wine-run" --route)"
export WINEPREFIX="$KIT_BUILD_DIR/wineprefix"
wineboot -i >/dev/null 2>&1 || true

mkdir -p "$work/in folder"
printf 'from the host\r\n' >"$work/in folder/given.txt"
cat >"$work/in folder/probe.bat" <<'EOF'
@echo off
echo %KIT_ROUTE_PROBE%
cd
type given.txt
echo written inside> written.txt
echo to stderr 1>&2
exit 7
EOF
(cd "$work/in folder" && KIT_ROUTE_PROBE='a value with blanks' \
  timeout 300 wine cmd /c probe.bat >"$work/out.txt" 2>"$work/err.txt")
check "exit status of the Windows program" "$?" 7
out=$(tr -d '\r' <"$work/out.txt")
check "environment variable" "$(sed -n 1p <<<"$out")" "a value with blanks"
check "current folder" "$(sed -n 2p <<<"$out")" "$(winpath "$work/in folder")"
check "a host file read inside" "$(sed -n 3p <<<"$out")" "from the host"
check "a file written inside, read here" "$(tr -d '\r' <"$work/in folder/written.txt")" "written inside"
grep -q "to stderr" "$work/err.txt" && ok "standard error apart" || bad "standard error lost: $(cat "$work/err.txt")"
grep -q "to stderr" <<<"$out" && bad "standard error mixed into standard output" || ok "standard output clean"

# A program that would run for hours, ended by timeout as a hung test would be.
timeout 20 wine cmd /c "for /l %i in (1,1,2000000000) do rem" >/dev/null 2>&1
check "timeout ends the program" "$?" 124
timeout 120 wineserver -w
check "wineserver -w returns: the program has ended" "$?" 0
check "Wine runs programs after that" "$(timeout 300 wine cmd /c "echo again" 2>/dev/null | tr -d '\r')" again
exit $fail
