# Sourced by the benchmark scripts: `bench_program NAME` prints the path of
# the program built from bench/NAME.cc in $build, or says how to build it
# and fails.
bench_program() {
  for candidate in "$build/bench/$1" "$build/$1"; do
    if [ -x "$candidate" ]; then
      echo "$candidate"
      return 0
    fi
  done
  echo "$1 is not built in $build (cmake --build $build --target $1)" >&2
  return 1
}
