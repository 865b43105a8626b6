#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds, and runs one of:
#   run       the main job: the cut-out driver on a sample photo and trimap it draws itself
#   test      every test suite
#   sanitize  the engine tests again under AddressSanitizer, UBSan and Blitz bounds checks
set -euo pipefail
mode=${1:-run}
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(cmake g++ make libgtest-dev libbenchmark-dev libblitz0-dev libboost-thread-dev
          libboost-system-dev qtbase5-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

build() {  # build <dir> [cmake options...]
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
  run)
    build "$root/build" -DZARVO_BUILD_BENCH=ON
    sample="$root/build/sample"
    "$root/build/bench/corvane-sample" "$sample" >/dev/null
    "$root/build/bench/corvane-cutout" --image "$sample/sample-photo.png" \
      --trimap "$sample/sample-trimap.png" --out "$sample/cutout.png" "${@:2}"
    echo "cut-out written to $sample/cutout.png" >&2
    ;;
  test)
    # The benchmarks are not tests; leaving them out keeps a 2-core run short.
    build "$root/build" -DZARVO_BUILD_BENCH=OFF
    ctest --test-dir "$root/build" --output-on-failure -j "$jobs"
    ;;
  sanitize)
    build "$root/build-asan" -DZARVO_SANITIZE=ON -DZARVO_BUILD_BENCH=OFF
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"
    ;;
  *)
    echo "usage: $0 run|test|sanitize" >&2
    exit 2
    ;;
esac
