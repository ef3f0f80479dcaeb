#!/usr/bin/env bash
# Set-up, build, run and test Orrelux on Debian 12.
#   ./dev.sh run [ORRELUX OPTIONS]   build and start the program with its bundled data
#   ./dev.sh test                    build and pass every test (also under sanitizers and fuzzers),
#                                    build the Release package and try it installed
set -euo pipefail
cd "$(dirname "$0")"
top=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libsdl2-dev libpng-dev libfreetype-dev libjpeg-dev libgtest-dev libgmock-dev googletest
  libbenchmark-dev libgif-dev libstb-dev netpbm giflib-tools xplanet-images fonts-dejavu-core xvfb xauth x11-utils xfonts-base xdotool tzdata libpugixml-dev gpsd gpsd-clients
  libcurl4-openssl-dev libcpp-httplib-dev nlohmann-json3-dev
  xdg-utils desktop-file-utils appstream man-db dpkg-dev file imagemagick)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_build() {  # dir, extra cmake arguments... [-- targets...]
  local dir=$1; shift
  local args=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
  [ $# -gt 0 ] && { shift; targets=("$@"); }
  # Warnings are errors for the project's own builds (a plain configure leaves them warnings).
  cmake -S "$top" -B "$dir" -G Ninja -DORRELUX_WERROR=ON "${args[@]}" >/dev/null
  ninja -C "$dir" -j"$jobs" "${targets[@]}"
}

run_fuzzers() {  # build dir, seconds per target; two targets at a time
  local dir=$1 secs=$2 work
  work=$(mktemp -d)
  local pids=() names=()
  for exe in "$dir"/fuzz/fuzz_*; do
    [ -x "$exe" ] || continue
    local name=${exe##*/fuzz_}
    mkdir -p "$work/$name"
    [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/$name/"
    echo "== fuzz $name (${secs}s)"
    "$exe" -max_total_time="$secs" -print_final_stats=1 -artifact_prefix="$work/$name-" \
      "$work/$name" >"$work/$name.log" 2>&1 &
    pids+=($!) names+=("$name")
    if [ ${#pids[@]} -ge 2 ]; then wait "${pids[0]}" || echo "FAILED ${names[0]}" >>"$work/failures"
      pids=("${pids[@]:1}") names=("${names[@]:1}"); fi
  done
  local i
  for i in "${!pids[@]}"; do wait "${pids[$i]}" || echo "FAILED ${names[$i]}" >>"$work/failures"; done
  for log in "$work"/*.log; do
    echo "${log##*/}: $(grep -E 'stat::number_of_executed_units' "$log" || echo 'no stats')"
  done
  local failed=0
  if [ -s "$work/failures" ]; then
    while read -r _ name; do echo "fuzz target $name found a problem:"; tail -40 "$work/$name.log"; done <"$work/failures"
    failed=1
  fi
  rm -rf "$work"
  return $failed
}

case "${1:-}" in
  run)
    shift
    install_packages
    configure_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    exec build/src/orrelux --data-dir "$top/data" "$@"
    ;;
  test)
    install_packages
    echo "== build and test"
    configure_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ctest --test-dir build --output-on-failure -j"$jobs"
    echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
    configure_build build-asan -DCMAKE_BUILD_TYPE=Debug -DORRELUX_SANITIZE=ON -DORRELUX_BENCH=OFF
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir build-asan --output-on-failure -j"$jobs"
    echo "== fuzz targets under ASan"
    CC=clang CXX=clang++ configure_build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DORRELUX_FUZZ=ON -DORRELUX_SANITIZE=ON -DORRELUX_TESTS=OFF -DORRELUX_BENCH=OFF -DORRELUX_TOOLS=OFF
    run_fuzzers build-fuzz "${ORRELUX_FUZZ_SECONDS:-60}"
    echo "== Release build, Debian package, installed copy"
    configure_build build-release -DCMAKE_BUILD_TYPE=Release -DORRELUX_TESTS=OFF -DORRELUX_BENCH=OFF \
      -DORRELUX_TOOLS=OFF -- orrelux wipekey orrelux-weatherd
    tests/package_test.sh build-release
    echo "All tests passed."
    ;;
  *)
    echo "usage: ./dev.sh run [options] | ./dev.sh test" >&2
    exit 2
    ;;
esac
