#!/usr/bin/env bash
# Fails when a C++ file in src, tools, tests, fuzz or bench differs from what
# clang-format 14 (Debian's clang-format-14, the version CI uses; other
# versions format some constructs differently) makes of it under .clang-format.
# Lists each such file; `clang-format-14 -i <file>` fixes one.
set -euo pipefail
cd "$(dirname "$0")/../.."

formatter=${CLANG_FORMAT:-clang-format-14}
if ! command -v "$formatter" >/dev/null 2>&1; then
    echo "format: $formatter is missing (Debian package clang-format-14)" >&2
    exit 1
fi

mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' \
    'fuzz/*.cpp' 'fuzz/*.h' 'bench/*.cpp' 'bench/*.h')
# One clang-format for all files; each difference is reported as "<file>:<line>:<col>: error: …".
status=0
report=$("$formatter" --style=file --dry-run -Werror "${files[@]}" 2>&1) || status=$?
mapfile -t unformatted < <(grep -oE '^[^/:][^:]*:[0-9]+:[0-9]+: error:' <<<"$report" | cut -d: -f1 | sort -u || true)
if [ "$status" -ne 0 ] && [ ${#unformatted[@]} -eq 0 ]; then
    echo "$report" | tail -n 20 >&2
    echo "format: $formatter failed" >&2
    exit 1
fi
if [ ${#unformatted[@]} -ne 0 ]; then
    printf 'format: not formatted: %s\n' "${unformatted[@]}" >&2
    echo "format: ${#unformatted[@]} of ${#files[@]} files differ; fix with: $formatter -i <file>" >&2
    exit 1
fi
echo "format: ${#files[@]} files formatted"
