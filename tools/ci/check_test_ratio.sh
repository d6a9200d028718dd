#!/usr/bin/env bash
# Fails when test code outgrows its budget against product code, as measured by
# the shared test_ratio.py (CI keeps the shared folder beside the clone).
set -euo pipefail
cd "$(dirname "$0")/../.."

script=${TEST_RATIO_SCRIPT:-../shared/tools/test_ratio.py}
# The budget is 0.25 to 0.40, and the gate belongs at 0.45. The suite stands at
# 0.49 after this round's cuts, so for now the gate only stops it from growing;
# it moves to 0.45 with the next cuts.
max=${TEST_RATIO_MAX:-0.50}
if [ ! -f "$script" ]; then
    echo "ratio: $script is missing; CI needs the shared folder beside the clone" >&2
    exit 1
fi
python3 "$script" --max "$max" .
