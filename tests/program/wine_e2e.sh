#!/usr/bin/env bash
# The Windows program end to end under Wine, against tidewell-sim on a
# pseudo-terminal that Wine sees as COM1, compared with the Linux program on
# the same data:
#   start-up   settings beside the program in the system code page
#   online     a few polls into a CSV document, then Stop Xfer; compared line
#              for line with the Linux program's document
#   logger     two sets into a CSV document; compared byte for byte with the
#              Linux program's document in the Windows code page
#   workbook   the same two sets into a workbook held by the fake Excel DDE
#              server; every poked cell is the CSV document's cell
#   plug       the simulator hangs up mid-transfer: the lost-connection message
#   publish    an unattended on-line run publishes its rows to a Linux
#              mosquitto on 127.0.0.1: every seq once, the CSV's values, the
#              status online then offline
#   utf-8      Twell.ini saved as UTF-8 with a byte order mark; the console
#              twin polls "Durchfluß" named on its command line
#   help       F1 finds the manual where the zip and the setup put it
#   program    tidewell-z.exe itself starts and shows its mode window
#
#   wine_e2e.sh WINDOWS_BUILD NATIVE_BUILD SOURCE_DIR
#
# TZ_E2E_KEEP=1 keeps the documents, logs and program folders for a look.
# It runs on a private X server (xvfb-run) in a Wine prefix of its own,
# WINDOWS_BUILD/wineprefix-e2e, made on the first run: the program uses Qt's
# windows platform plugin there, as on Windows. (The offscreen plugin hangs
# in Wine whenever Wine has a graphics driver, and DDE needs one.)
set -uo pipefail
if [ -z "${TZ_E2E_XVFB:-}" ]; then
    command -v xvfb-run >/dev/null || {
        echo "wine_e2e: xvfb-run is missing (package xvfb)" >&2
        exit 1
    }
    TZ_E2E_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
win=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
src=$(cd "$3" && pwd)
export WINEPREFIX=$win/wineprefix-e2e
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEQT_QPA_PLATFORM

sim=$native/tools/sim/tidewell-sim
command -v xwininfo >/dev/null || {
    echo "wine_e2e: xwininfo is missing (package x11-utils)" >&2
    exit 1
}
for f in "$win/tests/tz-drive.exe" "$win/src/tidewell-z.exe" "$win/src/tidewell-z-cli.exe" \
    "$win/tests/win32/fake_excel.exe" \
    "$sim" "$native/tests/tz-drive"; do
    [ -f "$f" ] || {
        echo "wine_e2e: $f is missing" >&2
        exit 1
    }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tz-wine-e2e-XXXXXX")
simpid=""
quiet() { "$@" </dev/null >/dev/null 2>&1; }
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
    # This prefix's server and programs belong to this X server, which ends
    # with the script.
    quiet wineserver -k
    if [ -n "${TZ_E2E_KEEP:-}" ]; then
        echo "     kept $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
failures=0
check() { # what, then a command that must succeed
    local what=$1
    shift
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what"
        failures=$((failures + 1))
    fi
}

# Linux pseudo-terminals refuse the modem-line ioctls; the shim answers them
# in the Wine process so that DTR/RTS can be set as on a real port.
shim=$work/ptyserial_shim.so
cc -shared -fPIC -O2 -o "$shim" "$src/cmake/windows-qt/ptyserial_shim.c" -ldl || exit 1

# The prefix: Wine's background processes start here, writing nowhere (a
# test runner would wait for whoever holds its output).
t0=$SECONDS
[ -f "$WINEPREFIX/system.reg" ] || echo "     new Wine prefix $WINEPREFIX"
quiet wineserver -p
quiet wine wineboot
# A crashing program prints its backtrace and ends instead of waiting on a box.
quiet wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
# ".xls" opens with the fake spreadsheet server, as with Excel.
server=$(wine winepath -w "$win/tests/win32/fake_excel.exe" 2>/dev/null | tr -d '\r')
quiet wine reg add 'HKLM\Software\Classes\.xls' /ve /t REG_SZ /d TzFakeExcel.Sheet /f
quiet wine reg add 'HKLM\Software\Classes\TzFakeExcel.Sheet\shell\open\command' /ve /t REG_SZ \
    /d "\"$server\" \"%1\"" /f
# COM1 is pinned to a fixed link that the simulator points at its
# pseudo-terminal for each run: Wine maps ports when its server starts and
# then replaces hand-made dosdevices links.
ports=$WINEPREFIX/tz-ports
mkdir -p "$ports"
if ! wine reg query 'HKLM\Software\Wine\Ports' /v COM1 2>/dev/null | grep -qF "$ports/COM1"; then
    quiet wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$ports/COM1" /f
    quiet wineserver -k
    quiet wineserver -w
    quiet wineserver -p
    quiet wine wineboot
fi
echo "     Wine prefix ready after $((SECONDS - t0)) s"

# The program folders: the same settings, in each system's code page.
names=("Durchfluß" "Geschwindigkeit")
mkdir -p "$work/win" "$work/linux" "$work/config"
cp "$win/tests/tz-drive.exe" "$win/src/tidewell-z.exe" "$work/win/"
# The rest of the portable layout as the zip and the setup have it (the
# manual among it); the settings follow below.
for f in "$win/package/stage/"*; do
    case $f in *.exe | */Twell.ini) ;; *) cp "$f" "$work/win/" ;; esac
done
cp "$native/tests/tz-drive" "$work/linux/"
{
    printf '"%s"\r\n' "9600,N,8,1"
    for n in "${names[@]}"; do printf '"%s"\r\n' "$n"; done
} >"$work/linux/Twell.ini"
iconv -f UTF-8 -t CP1252 "$work/linux/Twell.ini" >"$work/win/Twell.ini"
printf '"%s","%s",1\r\n' 'C:\Program Files\Microsoft Office\EXCEL.EXE' 'C:\Tidewell\Müller.xls' |
    iconv -f UTF-8 -t CP1252 >"$work/win/Twenv.dat"
winpath() { wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }

start_sim() { # link folder, then simulator options
    local dir=$1
    shift
    rm -f "$dir/COM1"
    "$sim" --link-dir "$dir" --seed 7 "$@" >"$work/sim.log" 2>&1 &
    simpid=$!
    for _ in $(seq 50); do
        [ -L "$dir/COM1" ] && return 0
        sleep 0.1
    done
    echo "wine_e2e: the simulator did not start: $(cat "$work/sim.log")" >&2
    return 1
}
stop_sim() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null
    wait "$simpid" 2>/dev/null
    simpid=""
}
run_win() { # log name, then tz-drive's arguments
    local name=$1
    shift
    start_sim "$ports" "${SIM_ARGS[@]}" || return 1
    local t0=$SECONDS
    (cd "$work/win" && LD_PRELOAD=$shim timeout 60 wine "$work/win/tz-drive.exe" "$@") \
        >"$work/$name-win.log" 2>&1
    local rc=$?
    stop_sim
    echo "     windows $name: rc $rc, $((SECONDS - t0)) s"
    [ $rc -eq 0 ] || cat "$work/$name-win.log"
    return $rc
}
run_linux() {
    local name=$1
    shift
    start_sim "$work/config/tidewell-z/ports" "${SIM_ARGS[@]}" || return 1
    XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen timeout 120 \
        "$work/linux/tz-drive" "$@" >"$work/$name-linux.log" 2>&1
    local rc=$?
    stop_sim
    [ $rc -eq 0 ] || cat "$work/$name-linux.log"
    return $rc
}
# The Linux document in the Windows code page, as the Windows program
# writes it.
as_windows() { iconv -f UTF-8 -t CP1252 "$1"; }

# --- start-up and on-line -------------------------------------------------
SIM_ARGS=()
check "online: the Windows program polls and stops" \
    run_win online online CSV "$(winpath "$work/win/online.csv")" 3 "$(winpath "$work/monitor.png")"
check "start-up: Twell.ini in the code page gives the names" \
    grep -qF "$(printf 'STARTED\t9600,N,8,1\tDurchfluß')" "$work/online-win.log"
check "online: the Linux program on the same data" \
    run_linux online online CSV "$work/linux/online.csv" 3
same_online() {
    local w=$work/win/online.csv
    [ "$(wc -l <"$w")" -ge 4 ] || return 1
    LC_ALL=C grep -q $'^TIME,Durchflu\xdf\r$' <(head -n 1 "$w") || return 1
    [ "$(sed -n 2,4p "$w" | grep -cE '^[^,]+,[+-][0-9]{4}\.[0-9]{3}'$'\r''$')" -eq 3 ] || return 1
    # TIME is the host's clock; every other column must match, line for line.
    diff <(head -n 4 "$w" | cut -d, -f2-) \
        <(as_windows "$work/linux/online.csv" | head -n 4 | cut -d, -f2-)
}
lacks() { ! grep -q "$1" "$2"; }
# One poll of the trend for each data row, every one a number (the log has
# the console's CR LF).
trend_holds_rows() {
    local log rows
    log=$(tr -d '\r' <"$1")
    rows=$(grep -m1 '^ROWS' <<<"$log" | cut -f2)
    [ -n "$rows" ] && [ "$rows" -ge 4 ] || return 1
    grep -qx "$(printf 'TREND\t%d\t%d' $((rows - 1)) $((rows - 1)))" <<<"$log"
}
check "online: documents alike line for line (CR LF, code page)" same_online
check "online: the Windows monitor's trend holds the polled values" \
    trend_holds_rows "$work/online-win.log"
check "online: no message" lacks MESSAGE "$work/online-win.log"
# The monitor pictured by Qt itself (grab), as the docs' Windows picture is.
pictured() {
    tr -d '\r' <"$work/online-win.log" | grep -q $'^PICTURE\t.*\t[1-9][0-9]*\t[1-9][0-9]*$' &&
        [ "$(head -c 8 "$work/monitor.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]
}
check "online: the Windows monitor is pictured" pictured
finds_manual() {
    # Either separator: the path is Qt's.
    tr -d '\r' <"$work/online-win.log" | tr '\\' / |
        grep -qiF "$(printf 'MANUAL\t%s/manual.html' "$(winpath "$work/win" | tr '\\' /)")"
}
check "help: F1 finds the manual in the portable layout" finds_manual
check "online: Twenv.dat written back in the code page" \
    env LC_ALL=C grep -qF "$(printf 'M\xfcller.xls')" "$work/win/Twenv.dat"

# --- logger ---------------------------------------------------------------
SIM_ARGS=(--records 4 --baud 115200)
check "logger: the Windows program downloads two sets" \
    run_win logger logger CSV "$(winpath "$work/win/logger.csv")" 2 5
check "logger: the Linux program on the same data" \
    run_linux logger logger CSV "$work/linux/logger.csv" 2 5
check "logger: documents alike byte for byte" \
    cmp "$work/win/logger.csv" <(as_windows "$work/linux/logger.csv")
check "logger: no message" lacks MESSAGE "$work/logger-win.log"

# --- workbook over DDE ----------------------------------------------------
: >"$work/win/Tidewell.xls"
export TZ_FAKE_EXCEL_LOG
TZ_FAKE_EXCEL_LOG=$(winpath "$work/excel.log")
check "workbook: the Windows program writes two sets into Excel" \
    run_win workbook logger XLS "$(winpath "$work/win/Tidewell.xls")" 2 5
unset TZ_FAKE_EXCEL_LOG
same_cells() {
    # Each non-empty cell of the CSV document, as the server logs a poke:
    # R<row>C<column> and the bytes, \xNN outside printable ASCII.
    LC_ALL=C awk -F, '
        BEGIN { for (i = 0; i < 256; i++) ord[sprintf("%c", i)] = i }
        { sub(/\r$/, "")
          for (c = 1; c <= NF; c++) if ($c != "") {
              v = ""
              for (k = 1; k <= length($c); k++) {
                  ch = substr($c, k, 1); o = ord[ch]
                  v = v ((o < 32 || o >= 127 || ch == "\\") ? sprintf("\\x%02X", o) : ch)
              }
              print "R" NR "C" c "\t" v } }' "$work/win/logger.csv" | sort >"$work/cells.want"
    awk -F'\t' '$1 == "POKE" && $4 != "" { print $3 "\t" $4 }' "$work/excel.log" |
        sort >"$work/cells.got"
    [ -s "$work/cells.want" ] && diff "$work/cells.want" "$work/cells.got"
}
check "workbook: every cell poked as in the CSV document" same_cells

# --- pulled plug ----------------------------------------------------------
SIM_ARGS=(--fault hangup --hangup-after 40)
check "plug: the Windows program reports the lost line" \
    run_win plug plug "$(winpath "$work/win/plug.csv")"
check "plug: the lost-connection message" \
    grep -qF "The connection to the flowmeter was lost" "$work/plug-win.log"
check "plug: the rows before the loss are kept" \
    bash -c "[ \$(wc -l <'$work/win/plug.csv') -ge 2 ]"

# --- publishing to a broker on 127.0.0.1 ------------------------------------
publish_run() {
    [ -x /usr/sbin/mosquitto ] || {
        echo "     mosquitto is not installed (scripts/install-deps --tests)"
        return 1
    }
    cc -O2 -o "$work/mqtt_listen" "$src/tests/program/mqtt_listen.c" -lmosquitto || return 1
    local port
    port=$("$work/mqtt_listen" --free-port) || return 1
    printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\n' "$port" \
        >"$work/mosquitto.conf"
    /usr/sbin/mosquitto -c "$work/mosquitto.conf" >"$work/mosquitto.log" 2>&1 &
    local broker=$!
    "$work/mqtt_listen" "$port" 'wine/#' 40 >"$work/published.log" 2>&1 &
    local listener=$!
    for _ in $(seq 50); do
        grep -q subscribed "$work/published.log" 2>/dev/null && break
        sleep 0.1
    done
    local rc=1
    if start_sim "$ports"; then
        # The console twin, as a service or a script runs it on Windows.
        cp "$win/src/tidewell-z-cli.exe" "$work/win/"
        (cd "$work/win" && LD_PRELOAD=$shim timeout 60 wine "$work/win/tidewell-z-cli.exe" --online \
            --port COM1 --parameter Geschwindigkeit --interval 00:00:02 --count 3 \
            --csv "$(winpath "$work/win/published.csv")" \
            --publish "mqtt://127.0.0.1:$port/wine/flow") >"$work/publish-win.log" 2>&1
        rc=$?
        stop_sim
        sleep 1
    fi
    kill "$listener" "$broker" 2>/dev/null
    wait "$listener" "$broker" 2>/dev/null
    echo "     windows publish: rc $rc"
    [ $rc -eq 0 ] || cat "$work/publish-win.log"
    return $rc
}
same_published() {
    # The rows' seq and text, against the CSV document's value cells.
    local want got
    want=$(tail -n +2 "$work/win/published.csv" | tr -d '\r' | cut -d, -f2- |
        awk '{ printf "%d %s\n", NR, $0 }')
    got=$(awk -F'\t' '$1 == "wine/flow"' "$work/published.log" |
        sed -n 's/.*"seq": \([0-9]*\),.*"text": "\([^"]*\)"}$/\1 \2/p')
    [ "$(wc -l <<<"$want")" -eq 3 ] && [ "$want" = "$got" ] || {
        echo "     CSV: $want"
        echo "     broker: $got"
        return 1
    }
}
check "publish: the Windows program publishes to a Linux broker" publish_run
check "publish: every row once, in order, with the CSV's value" same_published
status_sequence() {
    [ "$(awk -F'\t' '$1 == "wine/flow/status" { print $2 }' "$work/published.log" |
        tr '\n' ' ')" = "online offline " ]
}
check "publish: status online, then offline" status_sequence
# --- settings saved as UTF-8 with a BOM, a name on the command line ----------
mkdir -p "$work/utf8"
cp "$win/src/tidewell-z-cli.exe" "$work/utf8/"
{
    printf '\xEF\xBB\xBF'
    cat "$work/linux/Twell.ini"
} >"$work/utf8/Twell.ini"
utf8_run() {
    start_sim "$ports" || return 1
    (cd "$work/utf8" && LC_ALL=C.UTF-8 LD_PRELOAD=$shim timeout 60 wine "$work/utf8/tidewell-z-cli.exe" \
        --online --port COM1 --parameter "Durchfluß" --interval 00:00:02 --count 2 \
        --csv "$(winpath "$work/utf8/online.csv")") </dev/null >"$work/utf8.log" 2>&1
    local rc=$?
    stop_sim
    [ $rc -eq 0 ] && [ "$(wc -l <"$work/utf8/online.csv")" -eq 3 ] &&
        LC_ALL=C grep -q $'^TIME,Durchflu\xdf\r$' <(head -n 1 "$work/utf8/online.csv") || {
        echo "     exit $rc: $(cat "$work/utf8.log")"
        return 1
    }
}
check "utf-8: a UTF-8 Twell.ini with BOM and --parameter Durchfluß poll the name" utf8_run

# --- the program itself -----------------------------------------------------
program_runs() {
    # The product itself, with no script: it starts up from its folder and
    # shows the mode window on the X display that Wine draws on.
    (cd "$work/win" && exec timeout 30 wine "$work/win/tidewell-z.exe") >"$work/program.log" 2>&1 &
    local pid=$! shown=""
    for _ in $(seq 100); do
        if xwininfo -root -tree 2>/dev/null | grep -q '"TIDEWELL-Z  (F1:HELP)".*tidewell-z.exe'; then
            shown=yes
            break
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    [ -n "$shown" ] || {
        echo "     no mode window from tidewell-z.exe: $(cat "$work/program.log")"
        return 1
    }
}
check "program: tidewell-z.exe starts and shows its mode window" program_runs

echo "wine_e2e: $failures failure(s)"
[ $failures -eq 0 ]
