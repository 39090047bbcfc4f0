#!/usr/bin/env bash
# Test fixture of the release build: packs the ZIP with CPack, unpacks it and
# puts the test programs beside the packed deliverables, so that the Windows
# tests run on the files a setup author receives.
set -eu
build="${KIT_BUILD_DIR:?}" out="${KIT_UNPACK_DIR:?}"
rm -rf "$out" "$build/test-package"
cpack --config "$build/CPackConfig.cmake" -B "$build/test-package" >/dev/null
mkdir -p "$out"
unzip -q "$build/test-package/quillset-kit-${KIT_VERSION:?}-win32.zip" -d "$out"
for helper in "$build"/*.exe; do
  case "$(basename "$helper")" in Quillset.exe) ;; *) cp "$helper" "$out/bin/" ;; esac
done
echo "unpacked into $out"
