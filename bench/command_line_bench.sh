#!/usr/bin/env bash
# The command-line parser on 32,767-byte lines of slashes, of double quotes
# and of code-page-932 text with 0x5C trail bytes: one parse should take well
# under 5 ms, because each search goes on from where the last one stopped.
# Usage: bench/command_line_bench.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
. "$here/bench_program.sh"
tool=$(bench_program command_line_parse)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset QUILLSET_TRACE
TMPDIR=$work "$tool" 20
