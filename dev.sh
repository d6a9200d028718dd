#!/usr/bin/env bash
# Quick start for a fresh Debian/Ubuntu machine.
#   ./dev.sh run    installs what is missing, builds, and starts Lumivane with the sample meter logs
#   ./dev.sh test   installs what is missing, builds, and runs every test through CTest
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${BUILD_DIR:-build}
PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libgtest-dev)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

configure_and_build() {
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$BUILD_DIR" -j"$(nproc)"
}

case "${1:-}" in
run)
    install_missing "${PACKAGES[@]}"
    configure_and_build
    launch=("$BUILD_DIR/bin/lumivane" samples/*)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display found: starting under a virtual X server (xvfb)."
        install_missing xvfb xauth
        exec xvfb-run -a -s "-screen 0 1280x1024x24" "${launch[@]}"
    fi
    exec "${launch[@]}"
    ;;
test)
    install_missing "${PACKAGES[@]}"
    configure_and_build
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
