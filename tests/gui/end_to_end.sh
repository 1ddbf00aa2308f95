# Sourced by the end-to-end scripts: a work folder that goes, with the jobs they started,
# when the script ends; a runtime folder of its own (so the program's single-window lock
# and socket are the test's); and `fail`, which shows the end of the program's log.
set -euo pipefail
work=$(mktemp -d)
cleanup() {
    kill $(jobs -p) 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/program.log" ] && tail -20 "$work/program.log" >&2
    exit 1
}
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
