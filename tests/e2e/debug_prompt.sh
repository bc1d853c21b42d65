#!/usr/bin/env bash
# The -debug prompt of the real yolinst.exe, answered on a virtual display: No runs nothing, Yes
# runs the service body in the prompting process.
#   debug_prompt.sh <yolinst.exe> <wine prefix>
# A message box reaches the display only when the wineserver was started inside the X session, so
# the prefix's persistent server is stopped first, the prompts run under xvfb-run with a server of
# their own, and the persistent server is restarted, detached, for whatever runs next.
set -euo pipefail

if [[ ${1-} == --on-display ]]; then
    shift
    exe=$1
    folder=$(dirname "$exe")
    failures=0
    # ask <key> <expected records...>: runs -debug, presses <key> in the prompt, compares the log.
    ask() {
        local key=$1 window status=0
        shift
        rm -f "$folder/yolinst.log"
        timeout 60 /usr/lib/wine/wine64 'C:\yol e2e\debug_prompt\yolinst.exe' -debug &
        local pid=$!
        # The window must appear: without it the process ends on its own and looks like a No.
        if ! window=$(timeout 60 xdotool search --sync --name 'YOL_INST Service' | head -n 1) ||
            [[ -z $window ]]; then
            echo "FAIL [$key]: no prompt appeared"
            failures=$((failures + 1))
        else
            xdotool key --window "$window" "$key" 2>/dev/null
        fi
        wait "$pid" || status=$?
        if [[ $status -ne 0 ]]; then
            echo "FAIL [$key]: exit code $status, expected 0"
            failures=$((failures + 1))
        fi
        local actual expected
        actual=$(sed -E -e 's/\r$//' -e 's#^[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} ##' \
            -e 's/^(====== YolInst starts at )[0-9]{2}:[0-9]{2}:[0-9]{2}(======)$/\1hh:mm:ss\2/' \
            "$folder/yolinst.log" 2>/dev/null) || true
        expected=$(printf '%s\n' "$@")
        if [[ $actual != "$expected" ]]; then
            echo "FAIL [$key]: log differs"
            diff <(echo "$expected") <(echo "$actual") || true
            failures=$((failures + 1))
        else
            echo "ok   [$key]"
        fi
    }
    header='====== YolInst starts at hh:mm:ss======'
    ask n "$header" -debug 'command line has been handled'
    ask Return "$header" -debug 'Debugging Zanthrex Auto-upgrade Agent, press ctrl-c to exit.' \
        '<ServiceStart> Interim run: argument count 0, start argument ""' \
        'command line has been handled'
    # The display goes away with this session: end the server that was started inside it.
    wineserver -k >/dev/null 2>&1 || true
    exit $((failures > 0))
fi

product=$(realpath "${1:?path of yolinst.exe}")
WINEPREFIX=$(realpath "${2:?wine prefix}")
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

restart_persistent_server() {
    wineserver -k >/dev/null 2>&1 || true
    setsid wineserver -p </dev/null >/dev/null 2>&1
}
trap restart_persistent_server EXIT

folder="$WINEPREFIX/drive_c/yol e2e/debug_prompt"
rm -rf "$folder"
mkdir -p "$folder"
cp "$product" "$folder/yolinst.exe"
touch "$folder/yolinst.debug"

wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
xvfb-run -a bash "$0" --on-display "$folder/yolinst.exe"
