#!/usr/bin/env bash
# CI's short fuzzing: builds the libFuzzer targets with clang into build-fuzz
# and runs each for a fixed number of executions over its committed corpus,
# with a fixed seed so that a run can be repeated. Any crash, sanitizer report,
# broken invariant or slow unit fails the script; the input that did it is
# kept as build-fuzz/fuzz/crash-<target>-*.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
# Executions per target: the meter log target writes a run's bills and menu
# for every input, so it gets fewer.
TARGETS=(
    "meter_log_fuzzer 3000"
    "gateway_documents_fuzzer 20000"
    "placeholder_fuzzer 20000"
    "settings_text_fuzzer 20000"
    "modem_dialogue_fuzzer 20000"
)

if ! command -v clang++ >/dev/null 2>&1; then
    if [ "${CI:-}" = "true" ]; then
        echo "fuzz: clang++ is missing on CI; ./dev.sh reliability installs clang and libclang-rt-14-dev" >&2
        exit 1
    fi
    echo "fuzz: clang++ not found, so the fuzz targets are skipped (./dev.sh reliability installs it)"
    exit 0
fi

cmake -S . -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DLUMIVANE_CORE_ONLY=ON -DLUMIVANE_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target lumivane_fuzzers

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for entry in "${TARGETS[@]}"; do
    read -r target runs <<<"$entry"
    # New inputs go to a throw-away folder: the committed corpus is only read.
    mkdir -p "$work/$target"
    log="$work/$target.log"
    if ! "$BUILD_DIR/fuzz/$target" -runs="$runs" -seed=1 -timeout=20 -max_len=4096 \
        -artifact_prefix="$BUILD_DIR/fuzz/crash-$target-" "$work/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        tail -n 60 "$log" >&2
        echo "fuzz: $target failed; the input is in $BUILD_DIR/fuzz/crash-$target-*" >&2
        exit 1
    fi
    echo "fuzz: $target: $(grep -aE '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)"
done
