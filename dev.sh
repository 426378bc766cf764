#!/usr/bin/env bash
# stilt developer entry point; installs the Debian packages a fresh machine lacks.
#
#   ./dev.sh example   build (Release) and run the bundled three-dimensional example
#   ./dev.sh test      build with AddressSanitizer and UndefinedBehaviorSanitizer, run every test
#   ./dev.sh bench     build (Release) and run the benchmarks
set -euo pipefail
cd "$(dirname "$0")"

packages=(g++ cmake ninja-build libfmt-dev nlohmann-json3-dev libcli11-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          pybind11-dev python3-dev python3-numpy python3-pytest python3-pandas
          python3-matplotlib python3-distributed chromium)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

jobs=$(nproc 2>/dev/null || echo 2)

case "${1:-}" in
  example)
    install_missing
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTILT_TESTS=OFF
    cmake --build build -j "$jobs"
    ./build/app/stilt run examples/group3d.dat
    ;;
  test)
    install_missing
    cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTILT_SANITIZE=ON
    cmake --build build-test -j "$jobs"
    ctest --test-dir build-test --output-on-failure -j "$jobs"
    ;;
  bench)
    install_missing
    cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTILT_TESTS=OFF -DSTILT_BENCH=ON
    cmake --build build-bench -j "$jobs"
    for b in build-bench/bench/bench_*; do [ -x "$b" ] && "$b"; done
    ;;
  *)
    sed -n '2,8p' "$0"
    exit 2
    ;;
esac
