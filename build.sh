#!/usr/bin/env bash
# Installs what Velquor needs on Debian 12, builds it, and then either starts
# the program (`./build.sh run`) or runs every test (`./build.sh test`).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
jobs=$(nproc)

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  qt6-base-dev libgl-dev libgtest-dev libgmock-dev
  libxcb1-dev  # the window asks the X window manager itself to bring it to the user's desktop
  iproute2 nftables iputils-ping procps
  libglib2.0-bin  # gio: the tests start the log-in entry as a desktop does
  qt6-qpa-plugins xvfb xdotool  # the tests run the program on an X server of their own
  openbox x11-session-utils x11-xserver-utils  # ... under a window manager and a session manager (which needs iceauth), as on a desktop
  x11-utils  # xwininfo: where a window and its frame are on the screen
  weston qt6-wayland  # ... and as a Wayland client, on a compositor of their own
  fuse3 libfuse3-dev  # ... on a file system of their own that locks as a network home does
  exfat-fuse exfatprogs xfsprogs  # ... and on a stick's exFAT and a full XFS disk, both loop images
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# configure_and_build <build dir> <compiler> <target> [cmake options...]
configure_and_build() {
  local dir=$1 cxx=$2 target=$3
  shift 3
  cmake -S "$here" -B "$here/$dir" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DVELQUOR_WERROR=ON "$@" >/dev/null
  cmake --build "$here/$dir" -j "$jobs" --target "$target"
}

run_tests() {
  local dir=$1
  shift
  ctest --test-dir "$here/$dir" --output-on-failure -j "$jobs" --timeout 300 "$@"
}

fuzz_briefly() {
  local dir=$here/build-fuzz/fuzz
  for target in "$dir"/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    local name corpus
    name=$(basename "$target")
    corpus=$(mktemp -d)
    [ -d "$here/fuzz/corpus/${name#fuzz_}" ] && cp -r "$here/fuzz/corpus/${name#fuzz_}/." "$corpus/"
    echo "fuzzing $name for 20 s"
    "$target" -max_total_time=20 -max_len=80000 -rss_limit_mb=2048 "$corpus" 2>"$corpus.log" ||
      { tail -n 40 "$corpus.log"; return 1; }
    rm -rf "$corpus" "$corpus.log"
  done
}

case "${1:-}" in
  run)
    install_missing
    configure_and_build build-release g++ all -DCMAKE_BUILD_TYPE=RelWithDebInfo
    exec "$here/build-release/src/ui/velquor"
    ;;
  test)
    install_missing
    export QT_QPA_PLATFORM=offscreen
    configure_and_build build-release g++ all -DCMAKE_BUILD_TYPE=RelWithDebInfo
    run_tests build-release
    # The same suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
    configure_and_build build-asan clang++ all -DCMAKE_BUILD_TYPE=Debug -DVELQUOR_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=1 run_tests build-asan
    # Threads: the engine's tests under ThreadSanitizer.
    if [ -d "$here/tests/engine" ]; then
      configure_and_build build-tsan clang++ test_engine -DCMAKE_BUILD_TYPE=Debug -DVELQUOR_TSAN=ON
      TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
        run_tests build-tsan -L engine
    fi
    configure_and_build build-fuzz clang++ fuzz_all -DCMAKE_BUILD_TYPE=Debug -DVELQUOR_FUZZ=ON -DVELQUOR_SANITIZE=ON
    fuzz_briefly
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
