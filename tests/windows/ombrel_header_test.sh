#!/usr/bin/env bash
# include/ombrel.h compiles without a warning as C89 (pedantic) and as C++,
# and a caller built with it links against each import library of the
# package (lib/libombrel.dll.a, lib/Ombrel.lib), imports the plain names from
# Ombrel.dll, and runs under Wine against the packed Ombrel.dll.
set -u
include="${KIT_INCLUDE_DIR:?}" lib="${KIT_LIB_DIR:?}"
cc=${KIT_MINGW_PREFIX:-i686-w64-mingw32}-gcc
cxx=${KIT_MINGW_PREFIX:-i686-w64-mingw32}-g++
source="$KIT_SOURCE_DIR/tests/windows/ombrel_caller.c"
. "$(dirname "$0")/test_lib.sh"

if $cc -std=c89 -Wall -Wextra -pedantic -Werror -I"$include" -c "$source" -o "$work/c89.o"; then
  ok "ombrel.h compiles as C89 with -Wall -Wextra -pedantic"
else bad "ombrel.h does not compile cleanly as C89"; fi
cp "$source" "$work/caller.cc"
if $cxx -std=c++11 -Wall -Wextra -pedantic -Werror -I"$include" -c "$work/caller.cc" -o "$work/cxx.o"; then
  ok "ombrel.h compiles as C++"
else bad "ombrel.h does not compile cleanly as C++"; fi
nm_out=$(${KIT_MINGW_PREFIX:-i686-w64-mingw32}-nm -u "$work/cxx.o")
grep -q '__imp__IsPrinterInstalled@12' <<<"$nm_out" && ok "C++ callers get the C, stdcall, dllimport name" ||
  bad "C++ caller references: $(grep -i isprinter <<<"$nm_out")"

cp "$KIT_BIN_DIR/Ombrel.dll" "$work/"
for import_lib in libombrel.dll.a Ombrel.lib; do
  exe="$work/caller_${import_lib%%.*}.exe"
  if ! $cc -static-libgcc "$work/c89.o" "$lib/$import_lib" -o "$exe"; then
    bad "a caller does not link against $import_lib"; continue
  fi
  imported=$(python3 "$KIT_SOURCE_DIR/tests/windows/pe_reader.py" imports "$exe" | awk '$2 == "Ombrel.dll" {print $3}')
  [ "$imported" = IsPrinterInstalled ] && ok "$import_lib: imports IsPrinterInstalled from Ombrel.dll" ||
    bad "$import_lib: imports '$imported' from Ombrel.dll"
  output=$(cd "$work" && timeout 120 wine "$exe" 2>/dev/null | tr -d '\r')
  status=$?
  [ "$status" = 0 ] && ok "$import_lib: the caller runs under Wine" || bad "$import_lib: caller exit $status: $output"
done
exit $fail
