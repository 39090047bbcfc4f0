#!/usr/bin/env bash
# The host tools' Debian package as a kit author's CI uses it: packs it with
# cpack, checks that it depends on Debian's own library packages, installs it
# with apt-get, runs the installed kitcheck on the example kit from a folder
# outside the checkout, and removes the package again.
# Usage: tests/package/deb_install.sh BUILD_DIR    (exit 77: skipped)
set -euo pipefail
build=$(cd "$1" && pwd)
if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null; then
  echo "skipped: installing a package needs root and apt-get"
  exit 77
fi
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quillset-host-tools_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case "$depends" in *libsqlite3*) ;; *) echo "no dependency on SQLite's package"; exit 1 ;; esac
case "$depends" in *libmspack*) ;; *) echo "no dependency on libmspack's package"; exit 1 ;; esac
if dpkg-deb -c "$deb" | grep -q "$build"; then echo "the package holds build paths"; exit 1; fi

work=$(mktemp -d)
trap 'apt-get remove -y -qq quillset-host-tools >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
apt-get install -y -qq "$deb" >/dev/null
cp -r /usr/share/doc/quillset-host-tools/examples/kit "$work/kit"
cd "$work"
/usr/bin/kitcheck --inf kit/setup.inf --printer "Brevant TR-2210 Series PS" --mdl TR-2210 \
  --cab kit/driver.cab --ports kit/ports.reg --junit kitcheck.xml
grep -q '<testcase classname="kitcheck" name="Windows 2000"' kitcheck.xml
apt-get remove -y -qq quillset-host-tools >/dev/null
if command -v kitcheck >/dev/null; then echo "kitcheck is still installed"; exit 1; fi
echo "the package installs, runs kitcheck and is removed"
