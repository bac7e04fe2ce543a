#!/usr/bin/env bash
# The Windows setup program under Wine, in a fresh Wine prefix, judged by
# what it leaves behind and never by exit codes alone (a setup that cannot
# run under Wine may still exit 0):
#   install    "setup.exe /S" puts the programs under Program Files, the
#              Start-menu shortcuts for all users and the Uninstall key
#   console    the installed tidewell-z-cli.exe answers --version, --help
#              (in Windows terms) and a bad argument with text and exit
#              status, through cmd.exe too
#   online     the installed program runs an unattended on-line transfer
#              against tidewell-sim on COM1, writes nothing beside itself and
#              keeps its settings in %APPDATA%\TIDEWELL-Z
#   uninstall  the silent uninstaller removes the program, its shortcuts and
#              its key, and leaves the user's settings and documents
#
#   wine_install.sh SETUP_EXE NATIVE_BUILD SOURCE_DIR PREFIX
#
# PREFIX is made anew on each run. TZ_E2E_KEEP=1 keeps the logs.
set -uo pipefail
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
native=$(cd "$2" && pwd)
src=$(cd "$3" && pwd)
mkdir -p "$(dirname "$4")"
WINEPREFIX=$(cd "$(dirname "$4")" && pwd)/$(basename "$4")
export WINEPREFIX
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sim=$native/tools/sim/tidewell-sim
for f in "$setup" "$sim"; do
    [ -f "$f" ] || {
        echo "wine_install: $f is missing" >&2
        exit 1
    }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tz-wine-install-XXXXXX")
simpid=""
quiet() { "$@" </dev/null >/dev/null 2>&1; }
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
    quiet wineserver -k
    if [ -n "${TZ_E2E_KEEP:-}" ]; then
        echo "     kept $work and $WINEPREFIX"
    else
        rm -rf "$work" "$WINEPREFIX"
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
ms() { date +%s%3N; }

# --- a fresh prefix -------------------------------------------------------
t0=$(ms)
# Wine links the prefix's Documents to $HOME: a scratch home keeps the
# installed program's documents out of the real one, and each run fresh.
export HOME=$work/home
mkdir -p "$HOME"
quiet wineserver -k
rm -rf "$WINEPREFIX"
quiet wineserver -p
quiet wine wineboot
# No window can be made without a graphics driver, and no X server here.
quiet wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f
quiet wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
# COM1 is a fixed link that the simulator points at its pseudo-terminal.
ports=$WINEPREFIX/tz-ports
mkdir -p "$ports"
quiet wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$ports/COM1" /f
quiet wineserver -k
quiet wineserver -w
quiet wineserver -p
quiet wine wineboot
[ -f "$WINEPREFIX/system.reg" ] || {
    echo "wine_install: no Wine prefix could be made in $WINEPREFIX" >&2
    exit 1
}
echo "     fresh Wine prefix after $(($(ms) - t0)) ms"

# Right after the prefix is made, winepath may not be found at the first
# try under load: ask again until it answers with a path.
winpath() {
    local p
    for _ in 1 2 3 4 5; do
        p=$(wine winepath -u "$1" 2>/dev/null | tr -d '\r')
        [[ $p == /* ]] && break
        sleep 1
    done
    echo "$p"
}
# %ProgramFiles% of a 64-bit program and the Start menu of all users.
inst=$WINEPREFIX/drive_c/Program\ Files/TIDEWELL-Z
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/TIDEWELL-Z
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TIDEWELL-Z'
profile=$(wine cmd /c echo %USERPROFILE% 2>/dev/null | tr -d '\r')
appdata=$(winpath "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")
documents=$(winpath "$profile\\Documents")
version=$(basename "$setup" | sed -n 's/^tidewell-z-\(.*\)-win64-setup\.exe$/\1/p')

# --- install --------------------------------------------------------------
t0=$(ms)
wine "$setup" /S </dev/null >"$work/setup.log" 2>&1
setup_rc=$?
install_ms=$(($(ms) - t0))
echo "     setup /S: exit $setup_rc, $install_ms ms, $(stat -c %s "$setup") bytes"
installed=(tidewell-z.exe tidewell-z-cli.exe Twell.ini manual.html README.txt uninstall.exe)
has_files() {
    local f
    for f in "${installed[@]}"; do
        [ -s "$inst/$f" ] || {
            echo "     missing: $inst/$f"
            return 1
        }
    done
}
check "install: the files under Program Files\\TIDEWELL-Z" has_files
check "install: the Start-menu shortcuts of the program and the manual" \
    test -s "$menu/TIDEWELL-Z.lnk" -a -s "$menu/TIDEWELL-Z manual.lnk"
wine reg query "$key" </dev/null >"$work/key.txt" 2>/dev/null
has_key() {
    local v
    for v in "DisplayName.*TIDEWELL-Z $version" "DisplayVersion.*$version" \
        "Publisher.*TIDEWELL-Z team" 'DisplayIcon.*TIDEWELL-Z\\tidewell-z\.exe,0' \
        'UninstallString.*"C:\\Program Files\\TIDEWELL-Z\\uninstall\.exe"' \
        'QuietUninstallString.*uninstall\.exe" /S'; do
        grep -q "$v" "$work/key.txt" || {
            echo "     no $v in: $(cat "$work/key.txt")"
            return 1
        }
    done
}
check "install: the Uninstall key for Installed apps" has_key

# --- console --------------------------------------------------------------
cli='C:\Program Files\TIDEWELL-Z\tidewell-z-cli.exe'
version_line() {
    local out
    out=$(wine "$cli" --version </dev/null 2>/dev/null | tr -d '\r')
    [ "$out" = "tidewell-z $version" ] || {
        echo "     --version printed \"$out\""
        return 1
    }
}
check "console: tidewell-z-cli.exe --version prints the version" version_line
help_for_windows() {
    wine "$cli" --help </dev/null 2>/dev/null | tr -d '\r' >"$work/help.txt"
    grep -qF '%APPDATA%\TIDEWELL-Z' "$work/help.txt" && grep -q "Device Manager" "$work/help.txt" &&
        grep -q "Task Scheduler" "$work/help.txt" && ! grep -q "XDG_CONFIG_HOME\|cron" "$work/help.txt" || {
        echo "     --help printed: $(cat "$work/help.txt")"
        return 1
    }
}
check "console: --help speaks of Windows" help_for_windows
bad_argument() {
    # cmd.exe waits for a console program and hands on its exit status.
    (cd "$inst" && wine cmd /c 'tidewell-z-cli.exe --no-such-option' </dev/null \
        >"$work/bad.out" 2>"$work/bad.err")
    local rc=$?
    [ $rc -eq 2 ] && grep -q "no-such-option" "$work/bad.err" || {
        echo "     exit $rc: $(cat "$work/bad.out" "$work/bad.err")"
        return 1
    }
}
check "console: a bad argument says so with exit status 2, through cmd.exe" bad_argument

# --- an unattended on-line transfer ---------------------------------------
mkdir -p "$documents"
before=$(cd "$inst" && ls -A | sort)
"$sim" --link-dir "$ports" --seed 7 >"$work/sim.log" 2>&1 &
simpid=$!
for _ in $(seq 50); do
    [ -L "$ports/COM1" ] && break
    sleep 0.1
done
shim=$work/ptyserial_shim.so
cc -shared -fPIC -O2 -o "$shim" "$src/cmake/windows-qt/ptyserial_shim.c" -ldl || exit 1
t0=$(ms)
LD_PRELOAD=$shim timeout 60 wine "$cli" --online --port COM1 --parameter "flow rate" \
    --interval 00:00:02 --count 2 --csv "$profile\\Documents\\online.csv" \
    </dev/null >"$work/online.out" 2>"$work/online.err"
online_rc=$?
kill "$simpid" 2>/dev/null
wait "$simpid" 2>/dev/null
simpid=""
echo "     on-line run: exit $online_rc, $(($(ms) - t0)) ms"
online_done() {
    [ $online_rc -eq 0 ] && [ "$(wc -l <"$documents/online.csv")" -eq 3 ] &&
        head -n 1 "$documents/online.csv" | grep -q $'^TIME,Flow rate\r$' &&
        [ "$(sed -n 2,3p "$documents/online.csv" | grep -cE '^[^,]+,[+-][0-9]{4}\.[0-9]{3}')" -eq 2 ] || {
        echo "     exit $online_rc: $(cat "$work/online.err")"
        return 1
    }
}
check "online: two polls into the document in Documents" online_done
# The console's code page has no arrow: the result line is plain ASCII.
check "online: the result line in plain ASCII" \
    grep -qE "^2 rows -> .*online\.csv"$'\r'"?$" "$work/online.err"
nothing_beside() {
    local after
    after=$(cd "$inst" && ls -A | sort)
    [ -n "$before" ] && [ "$after" = "$before" ] || {
        echo "     the program folder now holds: $after"
        return 1
    }
}
check "online: nothing written beside the installed program" nothing_beside
check "online: the settings in %APPDATA%\\TIDEWELL-Z, copied from the installed default" \
    cmp "$appdata/TIDEWELL-Z/Twell.ini" "$inst/Twell.ini"

# --- uninstall ------------------------------------------------------------
echo '"9600,N,8,1"' >>"$appdata/TIDEWELL-Z/Twell.ini" # the operator's own
t0=$(ms)
# The uninstaller copies itself to %TEMP% and returns at once: the files go
# while that copy runs. (The persistent Wine server cannot be waited for.)
wine "C:\\Program Files\\TIDEWELL-Z\\uninstall.exe" /S </dev/null >"$work/uninstall.log" 2>&1
for _ in $(seq 600); do
    [ -e "$inst" ] || [ -e "$menu" ] || break
    sleep 0.1
done
# The key goes last.
for _ in $(seq 20); do
    quiet wine reg query "$key" || break
    sleep 0.2
done
echo "     uninstall /S: $(($(ms) - t0)) ms"
check "uninstall: the program folder is gone" test ! -e "$inst"
check "uninstall: the Start-menu shortcuts are gone" test ! -e "$menu"
check "uninstall: the Uninstall key is gone" \
    bash -c "! wine reg query '$key' </dev/null >/dev/null 2>&1"
check "uninstall: the user's settings and documents stay" \
    test -s "$appdata/TIDEWELL-Z/Twell.ini" -a -s "$documents/online.csv"

echo "wine_install: $failures failure(s)"
[ $failures -eq 0 ]
