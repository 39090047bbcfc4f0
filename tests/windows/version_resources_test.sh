#!/usr/bin/env bash
# Both deliverables carry a VERSIONINFO resource with every field filled from
# the project's one version and names (CMakeLists.txt), and Quillset.exe
# embeds its application manifest: asInvoker, and Windows Vista, 7 and 8 as
# its only supported systems (declaring 8.1 or 10 would make GetVersionExA
# tell the true version and send Windows 10 down the Windows 2000 path).
set -u
reader="$KIT_SOURCE_DIR/tests/windows/pe_reader.py"
fail=0
ok() { echo "ok: $1"; }
bad() { echo "FAIL: $1"; fail=1; }
field() { sed -n "s|^$2=||p" <<<"$1" | head -1; }
expect() { local got; got=$(field "$1" "$2"); [ "$got" = "$3" ] && ok "$4 $2 = $3" || bad "$4 $2 is '$got', want '$3'"; }

check_version() {  # file, file type (1 application, 2 DLL), description
  local name=$1 info
  info=$(python3 "$reader" version "$KIT_BIN_DIR/$name") || { bad "$name has no version resource"; return; }
  expect "$info" FileVersion "$KIT_VERSION.0" "$name"
  expect "$info" ProductVersion "$KIT_VERSION.0" "$name"
  expect "$info" FileType "$2" "$name"
  local table=040904E4
  expect "$info" "$table/FileVersion" "$KIT_VERSION" "$name"
  expect "$info" "$table/ProductVersion" "$KIT_VERSION" "$name"
  expect "$info" "$table/ProductName" "$KIT_PRODUCT_NAME" "$name"
  expect "$info" "$table/CompanyName" "$KIT_COMPANY_NAME" "$name"
  expect "$info" "$table/LegalCopyright" "$KIT_LEGAL_COPYRIGHT" "$name"
  expect "$info" "$table/OriginalFilename" "$name" "$name"
  expect "$info" "$table/FileDescription" "$3" "$name"
}
check_version Quillset.exe 1 "Quillset printer driver installer"
check_version Ombrel.dll 2 "Ombrel printer utility library for setup programs"

# Windows' own reader sees the same fields (under Wine, GetFileVersionInfoA).
unset DISPLAY
export WINEDEBUG="${WINEDEBUG:--all}"
for name in Quillset.exe Ombrel.dll; do
  ours=$(python3 "$reader" version "$KIT_BIN_DIR/$name" | sort)
  windows=$(timeout 120 wine "$KIT_BIN_DIR/version_probe.exe" "$(printf 'Z:%s' "$KIT_BIN_DIR/$name" | tr '/' '\\')" 2>/dev/null |
    tr -d '\r' | sort)
  [ "$(wc -l <<<"$windows")" = 11 ] && [ "$windows" = "$ours" ] &&
    ok "GetFileVersionInfoA reads the same eleven fields of $name" ||
    bad "GetFileVersionInfoA reads of $name: $(diff <(echo "$ours") <(echo "$windows") | tr '\n' ' ')"
done

manifest=$(python3 "$reader" manifest "$KIT_BIN_DIR/Quillset.exe") || { bad "Quillset.exe has no manifest"; exit 1; }
# The manifest as Windows reads it: well-formed XML, in the assembly namespaces.
summary=$(python3 - "$manifest" <<'PY'
import sys
import xml.etree.ElementTree as ET
root = ET.fromstring(sys.argv[1].encode("utf-8"))
asm1 = "{urn:schemas-microsoft-com:asm.v1}"
asm3 = "{urn:schemas-microsoft-com:asm.v3}"
compat = "{urn:schemas-microsoft-com:compatibility.v1}"
identity = root.find(asm1 + "assemblyIdentity")
print("identity", identity.get("version"), identity.get("processorArchitecture"))
for level in root.iter(asm3 + "requestedExecutionLevel"):
    print("level", level.get("level"), level.get("uiAccess"))
for os in root.iter(compat + "supportedOS"):
    print("os", os.get("Id").lower().strip("{}"))
PY
) || { bad "the manifest is not well-formed XML"; exit 1; }
grep -qx "identity $KIT_VERSION.0 x86" <<<"$summary" && ok "manifest identity $KIT_VERSION.0 x86" || bad "manifest identity: $(grep identity <<<"$summary")"
[ "$(grep -c '^level' <<<"$summary")" = 1 ] && grep -qx "level asInvoker false" <<<"$summary" &&
  ok "requestedExecutionLevel asInvoker" || bad "execution level: $(grep level <<<"$summary")"
want_os=$(printf 'os %s\n' e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
  4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 | sort)  # Vista, 7, 8
got_os=$(grep '^os' <<<"$summary" | sort)
[ "$got_os" = "$want_os" ] && ok "supportedOS: Vista, 7 and 8 only" || bad "supportedOS entries: $got_os"
exit $fail
