#!/usr/bin/env bash
# Quick start for a fresh Debian/Ubuntu machine.
#   ./dev.sh run    installs what is missing, builds, and starts Lumivane with the sample meter logs
#   ./dev.sh test   installs what is missing, builds, and runs every test through CTest
#   ./dev.sh package
#                   builds, then makes the Debian package build/lumivane_<version>_amd64.deb with CPack
#   ./dev.sh package-check
#                   the package, checked: lintian, its files, and its programs run from a temporary root
#   ./dev.sh reliability
#                   every test, the window tests included, under AddressSanitizer and
#                   UndefinedBehaviorSanitizer (build-asan), then a minute of libFuzzer on
#                   every fuzz target (build-fuzz)
#   ./dev.sh tsan   the core's meter log and calculation run tests, where a file is
#                   read on several threads and files are booked ahead on others,
#                   under ThreadSanitizer (build-tsan, no Qt needed)
# With CI=true (set by .ci/run), test and reliability build with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${BUILD_DIR:-build}
PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libgtest-dev)
# libFuzzer comes with clang's runtime libraries.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

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

# ccache, when installed, keeps rebuilds of unchanged files cheap; paths are
# taken relative to the checkout so clones in other folders share the cache.
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
launcher_option() {
    if command -v ccache >/dev/null 2>&1; then
        echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    else
        echo "-DCMAKE_CXX_COMPILER_LAUNCHER="
    fi
}

configure_and_build() {
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$(launcher_option)" "$@"
    cmake --build "$BUILD_DIR" -j"$(nproc)"
}

# dpkg-shlibdeps (dpkg-dev, with file) reads the Qt runtime packages off the programs.
build_package() {
    install_missing "${PACKAGES[@]}" dpkg-dev file
    configure_and_build
    cpack --config "$BUILD_DIR/CPackConfig.cmake" -B "$BUILD_DIR"
}

# Without a display the window would wait on a screen nobody sees: run the
# same calculation of the samples with lumivane-calc instead. Its settings come
# from a folder of the build (the defaults), so the figures are the same on
# every machine and nothing in the user's own profile is read or written.
run_without_display() {
    local reports="$BUILD_DIR/demo-reports" profile="$BUILD_DIR/demo-profile"
    mkdir -p "$profile/config" "$profile/data"
    echo "No display found: calculating the sample meter logs with lumivane-calc instead of opening the window."
    echo
    HOME="$profile" XDG_CONFIG_HOME="$profile/config" XDG_DATA_HOME="$profile/data" \
        "$BUILD_DIR/bin/lumivane-calc" --export --reports-dir "$reports" samples/*
    # The window puts the logo into its reports folder at start-up; lumivane-calc does not.
    cp -n resources/reportlogo.jpg "$reports/"
    echo
    echo "The bills and the reports menu are in $reports/ (open $reports/menu.html in a browser)."
    echo "To see the window: run ./dev.sh run on a desktop, or photograph it on a virtual screen:"
    echo "  apt-get install xvfb xauth imagemagick"
    echo "  xvfb-run -a -s '-screen 0 800x600x24' sh -c '$BUILD_DIR/bin/lumivane samples/* & sleep 3; import -window root lumivane.png; kill \$!'"
}

# CI's builds turn warnings into errors; a developer's newer compiler may warn
# about more, and that should not stop the build on their machine.
werror_option() {
    if [ "${CI:-}" = "true" ]; then echo "-DLUMIVANE_WERROR=ON"; else echo "-DLUMIVANE_WERROR=OFF"; fi
}

case "${1:-}" in
run)
    install_missing "${PACKAGES[@]}"
    configure_and_build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        run_without_display
        exit 0
    fi
    exec "$BUILD_DIR/bin/lumivane" samples/*
    ;;
package)
    build_package
    ;;
package-check)
    build_package
    install_missing lintian appstream desktop-file-utils man-db
    bash tools/ci/check_package.sh "$BUILD_DIR"
    ;;
test)
    install_missing "${PACKAGES[@]}"
    configure_and_build "$(werror_option)"
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
    ;;
reliability)
    install_missing "${PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
    # Any sanitizer report ends the test that made it, so CTest fails. Leaks
    # inside Qt's and the font libraries' own caches are suppressed by name
    # (tools/ci/lsan_suppressions.txt); a leak in Lumivane's code still fails.
    # The mapped log reader handles SIGBUS itself, and a bus error elsewhere must
    # still end the program by SIGBUS (a test checks it), so ASan leaves SIGBUS alone.
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:handle_sigbus=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS="suppressions=$PWD/tools/ci/lsan_suppressions.txt:print_suppressions=0"
    # -O1 with line tables only: the sanitizers' usual setting, and the quickest
    # build whose reports still name file and line.
    cmake -S . -B build-asan -DLUMIVANE_SANITIZE=ON "$(werror_option)" "$(launcher_option)" \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
    cmake --build build-asan -j"$(nproc)"
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
    bash fuzz/run_ci.sh
    ;;
tsan)
    install_missing cmake g++ make libgtest-dev
    # Only the core: its meter log reader and the run's booking ahead are the parts that run threads.
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    cmake -S . -B build-tsan -DLUMIVANE_CORE_ONLY=ON -DLUMIVANE_TSAN=ON "$(werror_option)" "$(launcher_option)" \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
    cmake --build build-tsan -j"$(nproc)" --target core_meter_log_test core_calculation_run_test
    ctest --test-dir build-tsan --output-on-failure -R 'core_meter_log_test|core_calculation_run_test'
    ;;
*)
    echo "usage: $0 run|test|package|package-check|reliability|tsan" >&2
    exit 2
    ;;
esac
