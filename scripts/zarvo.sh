#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds, and runs one of:
#   run       the main job: zarvo with the 12-megapixel sample photo open (drawn when missing);
#             without a display, the test host's cut-out script on it, offscreen, leaving its
#             pictures, project and summary in build/sample/app
#   cutout    the engine's cut-out driver on the sample photo and its trimap
#   photos    the cut-out driver on the engine benchmarks' real photographs, at 1280 pixels and
#             at 12 megapixels; prints each cut-out's md5 and timings (they must never change
#             with an optimisation)
#   test      every test suite (a compiler warning fails the build)
#   shuffle   every GoogleTest program once more, each whole in one process, its tests in an
#             order shuffled by [seed] (from the clock unless given; printed to replay), so that
#             a test leaning on what an earlier one left behind fails
#   sanitize  every test suite again under AddressSanitizer, UBSan and Blitz bounds checks
#             (a compiler warning fails the build here too)
#   format    fails when a tracked C++ source differs from what .clang-format makes of it
#   fuzz      every libFuzzer harness on its corpus, [seconds] each (60 unless given), or only
#             the harnesses named after the seconds
# Each mode builds in a folder of its own (build/, build-test/, build-asan/, build-fuzz/), so
# switching between them never reconfigures or rebuilds another's tree.
set -euo pipefail
mode=${1:-run}
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# Ninja starts a target's sources as soon as their generated headers exist, and lld links the
# large test programs several times faster than the default linker: both keep a 2-core run short.
# Qt's image-format plugins read TIFF and WebP photos beside Qt's own formats.
packages=(cmake g++ make ninja-build lld libgtest-dev libbenchmark-dev libblitz0-dev
          libboost-thread-dev libboost-system-dev qtbase5-dev libqt5svg5-dev libjpeg62-turbo-dev
          qt5-image-formats-plugins)
# Real photographs with every Exif orientation, an Exif writer and an independent Exif reader
# serve as test oracles; Poppler's pdfinfo and pdftoppm read back the PDF pages the composition
# writes; lrelease makes the application's tests a translation catalogue.
test_packages=(libexif-dev libimage-exiftool-perl golang-github-disintegration-imaging-dev
               golang-github-rwcarlsen-goexif-dev poppler-utils qttools5-dev-tools)
# The engine's benchmarks (built in the run mode) time real photographs: Debian's wallpapers.
bench_packages=(mate-backgrounds)
case "$mode" in
  run|cutout|photos) packages+=("${bench_packages[@]}") ;;
  test|shuffle|sanitize) packages+=("${test_packages[@]}") ;;
  fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
  format) packages=(clang-format) ;;
esac
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
  # A new folder gets Ninja; one made earlier keeps its generator (CMake refuses to switch).
  local generator=()
  [ -e "$dir/CMakeCache.txt" ] || [ -n "${CMAKE_GENERATOR:-}" ] || generator=(-G Ninja)
  cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  timed "$mode build" cmake --build "$dir" -j "$jobs"
}

timed() {  # timed <label> <command...>: runs it and tells how long it took, in CPU time too
  local label=$1; shift
  local TIMEFORMAT="zarvo: $label: %0R s wall, %0U s user, %0S s sys"
  time "$@"
}

sample="$root/build/sample"
draw_sample() {
  [ -f "$sample/sample-photo.png" ] && [ -f "$sample/sample-trimap.png" ] && return
  "$root/build/bench/corvane-sample" "$sample" >/dev/null
}

case "$mode" in
  run)
    build "$root/build" -DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCH=ON
    draw_sample
    if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
      exec "$root/build/app/zarvo" "$sample/sample-photo.png"
    fi
    out="$sample/app"
    echo "no display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the cut-out script" \
      "offscreen on $sample/sample-photo.png" >&2
    # Settings and log of the run's own, beside its pictures.
    mkdir -p "$out/config" "$out/tmp" "$out/runtime"
    chmod 700 "$out/runtime"
    XDG_CONFIG_HOME="$out/config" TMPDIR="$out/tmp" XDG_RUNTIME_DIR="$out/runtime" \
      QT_QPA_PLATFORM=offscreen \
      "$root/build/bench/app-programs/zarvo-testhost" cutout "$out" \
      "$sample/sample-photo.png" >/dev/null
    for written in cutout.png window.png window-compose.png window-effects.png final.png \
      window-final.png project.dat summary.json; do echo "$out/$written"; done
    cat "$out/summary.json" >&2
    ;;
  cutout)
    build "$root/build" -DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCH=ON
    draw_sample
    "$root/build/bench/corvane-cutout" --image "$sample/sample-photo.png" \
      --trimap "$sample/sample-trimap.png" --out "$sample/cutout.png" "${@:2}"
    echo "cut-out written to $sample/cutout.png" >&2
    ;;
  photos)
    build "$root/build" -DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCH=ON >&2
    photos="$root/build/photos"
    "$root/build/bench/corvane-sample" "$photos" --photos >/dev/null
    for photo in "$photos"/*-1280.png "$photos"/*-12mp.png; do
      base=${photo%.png}
      timings=$("$root/build/bench/corvane-cutout" --image "$photo" --trimap "$base-trimap.png" \
        --out "$base-cutout.png" "${@:2}" 2>/dev/null)
      echo "$(md5sum <"$base-cutout.png" | cut -d' ' -f1)  $(basename "$base") $timings"
    done
    ;;
  test)
    # The benchmarks are not tests; leaving them out keeps a 2-core run short.
    build "$root/build-test" -DZARVO_BUILD_BENCH=OFF -DZARVO_WERROR=ON
    timed "test run" ctest --test-dir "$root/build-test" --output-on-failure -j "$jobs"
    ;;
  shuffle)
    # The tree of the test mode: after it, nothing is built again.
    build "$root/build-test" -DZARVO_BUILD_BENCH=OFF -DZARVO_WERROR=ON
    seed=${2:-$(( $(date +%s) % 99999 + 1 ))}
    echo "zarvo: shuffled test run, seed $seed (replay: bash scripts/zarvo.sh shuffle $seed)" >&2
    logs="$root/build-test/shuffled"
    rm -rf "$logs"
    mkdir -p "$logs"
    # Every test program the build made; the longest (app) first, so that the others share the
    # cores beside it.
    programs=("$root/build-test/tests/app_tests")
    for program in "$root"/build-test/tests/*_tests; do
      [ "$program" = "${programs[0]}" ] || programs+=("$program")
    done
    shuffled() {
      local program name
      for program in "${programs[@]}"; do
        name=$(basename "$program" _tests)
        while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
        (
          rc=0
          QT_QPA_PLATFORM=offscreen timeout 1200 "$program" \
            --gtest_shuffle --gtest_random_seed="$seed" >"$logs/$name.log" 2>&1 || rc=$?
          echo "$rc" >"$logs/$name.rc"
        ) &
      done
      wait
    }
    timed "shuffled test run" shuffled
    # Judged by the programs started: one that left no result has failed as well.
    exec bash "$root/scripts/shuffled-verdict.sh" "$seed" "$logs" "${programs[@]}"
    ;;
  sanitize)
    build "$root/build-asan" -DZARVO_SANITIZE=ON -DZARVO_BUILD_BENCH=OFF -DZARVO_WERROR=ON
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      timed "sanitizer test run" ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"
    ;;
  format)
    # Blitz's configuration shim under corvane/compat keeps the library's own layout.
    cd "$root"
    git ls-files -z '*.cpp' '*.h' ':!corvane/compat/**' | xargs -0 clang-format --dry-run -Werror
    ;;
  fuzz)
    seconds=${2:-60}
    build "$root/build-fuzz" -DZARVO_FUZZ=ON -DZARVO_BUILD_TESTS=OFF -DZARVO_BUILD_BENCH=OFF \
      -DCMAKE_CXX_COMPILER=clang++-14
    names=("${@:3}")
    if [ ${#names[@]} -eq 0 ]; then
      for harness in "$root"/fuzz/*_fuzz.cpp; do
        [ -e "$harness" ] || continue
        name=$(basename "$harness" .cpp)
        names+=("${name%_fuzz}")
      done
    fi
    for name in "${names[@]}"; do
      # New inputs go to a scratch corpus; the committed seeds are only read.
      scratch="$root/build-fuzz/corpus/$name"
      mkdir -p "$scratch" "$root/build-fuzz/artifacts"
      echo "fuzzing $name for $seconds s" >&2
      QT_QPA_PLATFORM=offscreen "$root/build-fuzz/fuzz/${name}_fuzz" -max_total_time="$seconds" \
        -artifact_prefix="$root/build-fuzz/artifacts/${name}-" -print_final_stats=1 \
        "$scratch" "$root/fuzz/corpus/$name"
    done
    ;;
  *)
    echo "usage: $0 run|cutout|photos|test|sanitize|format|fuzz [seconds [harness...]]|shuffle [seed]" >&2
    exit 2
    ;;
esac
