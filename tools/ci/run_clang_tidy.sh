#!/usr/bin/env bash
# Runs the .clang-tidy set over the sources of src/ and tools/ and fails on
# any finding. The compile commands come from a configure-only clang build
# folder (build-tidy; nothing is compiled there), so the flags are clang's and
# the step needs no finished build. Findings are kept in build-tidy/findings.txt.
set -euo pipefail
cd "$(dirname "$0")/../.."

BUILD_DIR=${TIDY_BUILD_DIR:-build-tidy}
tidy=${CLANG_TIDY:-clang-tidy-14}
for tool in "$tidy" clang++; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "tidy: $tool is missing (Debian packages clang-tidy-14 and clang)" >&2
        exit 1
    fi
done

cmake -S . -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    -DLUMIVANE_WERROR=ON >/dev/null
mapfile -t files < <(python3 - "$BUILD_DIR/compile_commands.json" "$PWD" <<'PY'
import json, os, sys
root = sys.argv[2]
for entry in json.load(open(sys.argv[1])):
    path = os.path.relpath(entry["file"], root)
    if path.split(os.sep)[0] in ("src", "tools"):
        print(path)
PY
)
out="$BUILD_DIR/findings.txt"
# One clang-tidy per file, as many at once as there are processors.
printf '%s\n' "${files[@]}" | sort -u |
    xargs -P"$(nproc)" -n1 "$tidy" -p "$BUILD_DIR" --quiet >"$out" 2>/dev/null || true
# The same header seen from several sources is reported once.
findings=$(grep -E '^/.*: (warning|error): ' "$out" | sort -u || true)
if [ -n "$findings" ]; then
    echo "$findings" >&2
    echo "tidy: $(echo "$findings" | wc -l) findings in ${#files[@]} files (details in $out)" >&2
    exit 1
fi
echo "tidy: ${#files[@]} files, no findings"
