#!/usr/bin/env bash
# The release ZIP is named after the project's version and holds exactly the
# files a setup author needs; its two deliverables are the built ones.
set -u
zip="${KIT_PACKAGE_ZIP:?}"
fail=0
[ "$(basename "$zip")" = "quillset-kit-$KIT_VERSION-win32.zip" ] && echo "ok: $(basename "$zip")" ||
  { echo "FAIL: package is named $(basename "$zip")"; fail=1; }
[ -f "$zip" ] || { echo "FAIL: $zip is missing"; exit 1; }
listing=$(unzip -Z1 "$zip" | grep -v '/$' | sort)
want=$(printf '%s\n' bin/Quillset.exe bin/Ombrel.dll include/ombrel.h lib/Ombrel.def \
  lib/libombrel.dll.a lib/Ombrel.lib doc/README.md doc/LICENSE doc/LICENSES.md \
  doc/licenses/gcc-runtime.txt doc/licenses/mingw-w64-runtime.txt | sort)
if [ "$listing" = "$want" ]; then echo "ok: the package holds exactly the expected files"; else
  echo "FAIL: package files differ:"; diff <(echo "$want") <(echo "$listing"); fail=1; fi
# The printer-UI test fixture is built beside the deliverables but never packed.
[ -f "$KIT_BUILD_DIR/fixtures/printui.dll" ] || { echo "FAIL: the build has no printui.dll fixture"; fail=1; }
if unzip -Z1 "$zip" | grep -qi 'printui'; then echo "FAIL: the package holds the printui.dll test fixture"; fail=1; else
  echo "ok: the package holds no printui.dll"; fi
for f in Quillset.exe Ombrel.dll; do
  if unzip -p "$zip" "bin/$f" | cmp -s - "$KIT_BUILD_DIR/$f"; then echo "ok: bin/$f is the built file"; else
    echo "FAIL: bin/$f differs from the build's"; fail=1; fi
done
readme=$(unzip -p "$zip" doc/README.md)
for part in "## Quillset.exe" "## Ombrel.dll" "## Windows versions and install paths" "## For setup authors" \
  "## Limits and what happens past them"; do
  grep -qxF "$part" <<<"$readme" && echo "ok: doc/README.md has '$part'" || { echo "FAIL: doc/README.md lacks '$part'"; fail=1; }
done
exit $fail
