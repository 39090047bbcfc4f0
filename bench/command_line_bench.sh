#!/usr/bin/env bash
# The command-line parser on 32,767-byte lines of slashes, of double quotes
# and of code-page-932 text with 0x5C trail bytes: one parse should take well
# under 5 ms, because each search goes on from where the last one stopped.
# Usage: bench/command_line_bench.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
tool=""
for candidate in "$build/bench/command_line_parse" "$build/command_line_parse"; do
  [ -x "$candidate" ] && tool=$candidate && break
done
if [ -z "$tool" ]; then
  echo "command_line_parse is not built in $build (cmake --build $build --target command_line_parse)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset QUILLSET_TRACE
TMPDIR=$work "$tool" 20
