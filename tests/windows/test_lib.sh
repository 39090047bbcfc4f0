# Sourced by the Windows test scripts: the verdict helpers (a script ends
# with `exit $fail`), Windows paths of host files, a scratch folder removed on
# exit, and use_wine for the scripts that run programs under Wine headless.
fail=0
ok() { echo "ok: $1"; }
bad() { echo "FAIL: $1"; fail=1; }
check() { if [ "$2" = "$3" ]; then ok "$1"; else bad "$1 (got '$2', want '$3')"; fi; }
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
use_wine() {
  command -v wine >/dev/null || { echo "FAIL: wine is not installed"; exit 1; }
  unset DISPLAY  # a message box then returns at once
  export WINEDEBUG="${WINEDEBUG:--all}"
}
