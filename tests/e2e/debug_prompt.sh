#!/usr/bin/env bash
# The -debug prompt of the real yolinst.exe, answered on a virtual display: No runs nothing, Yes
# runs the service body in the prompting process; in that debug run the outcome of setup is shown
# in a message box for the codes that have a text, and for no others.
#   debug_prompt.sh <yolinst.exe> <stand-in setup.exe> <wine prefix>
# A message box reaches the display only when the wineserver was started inside the X session, so
# the prefix's persistent server is stopped first, the prompts run under xvfb-run with a server of
# their own, and the persistent server is restarted, detached, for whatever runs next.
set -euo pipefail

if [[ ${1-} == --on-display ]]; then
    shift
    exe=$1
    folder=$(dirname "$exe")
    failures=0
    # find_window <name>: the first window of that name, waiting up to 60 s. xdotool gives up when
    # a window it is scanning goes away meanwhile (BadWindow), so it is simply asked again.
    find_window() {
        local deadline=$((SECONDS + 60)) id
        while ((SECONDS < deadline)); do
            id=$(xdotool search --name "$1" 2>/dev/null | head -n 1) || true
            if [[ -n $id ]]; then
                echo "$id"
                return 0
            fi
            sleep 0.2
        done
        return 1
    }
    # ask <key> <expected records...>: runs -debug, presses <key> in the prompt, compares the log.
    ask() {
        local key=$1 window status=0
        shift
        rm -f "$folder/yolinst.log"
        timeout 60 /usr/lib/wine/wine64 'C:\yol e2e\debug_prompt\yolinst.exe' -debug &
        local pid=$!
        # The window must appear: without it the process ends on its own and looks like a No.
        if ! window=$(find_window 'YOL_INST Service'); then
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
    # Each debug run starts from a package that was never attempted.
    fresh_package() {
        local code=$1
        /usr/lib/wine/wine64 reg delete 'HKLM\SOFTWARE\Zanthrex' /f /reg:32 >/dev/null 2>&1 || true
        /usr/lib/wine/wine64 reg delete 'HKCR\RUZIDUZU' /f >/dev/null 2>&1 || true
        printf '[standin]\r\nresult=%s\r\n' "$code" >"$folder/standin.ini"
    }
    stage='C:\yol e2e\debug_prompt'
    fresh_package 3
    ask n "$header" -debug 'command line has been handled'
    # No client is installed: each configuration reader (three option parsers, then the command
    # line's) finds no version. The run closes the log at its end: its End line is the last one.
    no_version="CConfigXMLParser::CConfigXMLParser - Unable to read value 'ProductVersion'"
    ask Return "$header" -debug 'Debugging Zanthrex Auto-upgrade Agent, press ctrl-c to exit.' \
        '<ServiceStart>To begin the service' '<ServiceStart>Set up pending' \
        '<ServiceStart>If already running' '<ServiceStart>To create event' \
        '<ServiceStart>To create mutex' '<ServiceStart>To wait for stop event' \
        "YolInst: Storage Path=$stage" 'YolInst: LaunchSetup not found, first time setup. ' \
        "Setup path = $stage\\setup.exe" \
        "$no_version" "$no_version" "$no_version" \
        "CFeatureOptParser::propigateOptions - Unable to read value 'ProductFeaturesValidButNotAllowed'" \
        "ERROR: MsiOpenDatabase failed with error 1627 on $stage" \
        'ERROR: MsiEnumRelatedProducts failed with error 259' \
        "ERROR: MsiOpenDatabase failed with error 1627 on $stage" \
        'New Version = 0.0.0.0 Installed Version = ' "$no_version" \
        "\"$stage\\setup.exe\" /w /s /v\"/qn /l*v \\\"C:\\logs\\debug.log\\\" REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"" \
        'Successfully created new mutex' \
        'YolInst: RunYolSetup returns code = 0' 'YolInst: Write 1 to LaunchSetup.' \
        '<YolSetupResult>Yol Setup Code = 3' 'YolInst: Auto-upgrade failed.' \
        'YolInst: Stopping Yolinst ...' '================= End ==================='

    # result_box <code>: a debug run whose setup leaves <code>; the result box must appear, and is
    # dismissed. Which codes have a text is the core tests' table: one success and one failure
    # show the box here, and the debug run above (code 3, no text) ended by itself without one.
    result_box() {
        local code=$1 prompt box status=0
        fresh_package "$code"
        timeout 60 /usr/lib/wine/wine64 'C:\yol e2e\debug_prompt\yolinst.exe' -debug &
        local pid=$!
        prompt=$(find_window 'YOL_INST Service') || true
        [[ -n $prompt ]] && xdotool key --window "$prompt" Return 2>/dev/null
        box=$(find_window 'Zanthrex Client Upgrade') || true
        if [[ -z $box ]]; then
            echo "FAIL [code $code]: no result box"
            failures=$((failures + 1))
        else
            xdotool key --window "$box" Return 2>/dev/null
        fi
        wait "$pid" || status=$?
        if [[ $status -ne 0 ]]; then
            echo "FAIL [code $code]: the debug run did not end by itself (exit $status)"
            failures=$((failures + 1))
        else
            echo "ok   [code $code: box]"
        fi
    }
    result_box 5
    result_box 7
    # The display goes away with this session: end the server that was started inside it.
    wineserver -k >/dev/null 2>&1 || true
    exit $((failures > 0))
fi

product=$(realpath "${1:?path of yolinst.exe}")
standin=$(realpath "${2:?path of the stand-in setup.exe}")
WINEPREFIX=$(realpath "${3:?wine prefix}")
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
cp "$standin" "$folder/setup.exe"
# A fixed installer log path, so the debug run's command line does not depend on TEMP.
printf '[Startup]\r\nCmdLine=/l*v "C:\\logs\\debug.log"\r\n' >"$folder/Setup.ini"
touch "$folder/yolinst.debug"

wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
xvfb-run -a bash "$0" --on-display "$folder/yolinst.exe"
