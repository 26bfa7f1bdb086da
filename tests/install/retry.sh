#!/usr/bin/env bash
# Runs a desktop test, and once more should it fail. These tests drive a real X server and window
# manager, whose timing on a loaded machine is not the program's: a fault of the program fails
# both runs. A first run that failed is kept in RETRY_LOG, which the test command shows at its
# end, so that a test which needs its second run does not go unnoticed.
#
#   retry.sh RETRY_LOG SCRIPT ARGS...
set -uo pipefail
log=$1
shift
first=$(mktemp)
trap 'rm -f "$first"' EXIT
"$@" >"$first" 2>&1
status=$?
cat "$first"
[[ $status -eq 0 ]] && exit 0
{
    flock 9 # tests run side by side
    echo "== $(basename "$1"), first run (status $status):"
    cat "$first"
} 9>>"$log" >&9
echo "== the first run failed (status $status); once more"
"$@"
