#!/usr/bin/env bash
# Cross-builds the static Qt 6.4.2 the Windows program links: Core, Gui,
# Widgets, SerialPort for x86-64 Windows with mingw-w64 (posix threads);
# platform plugins windows, offscreen, minimal; no OpenGL, network, SQL, XML,
# D-Bus, print support or Qt Test. qtbase comes from Debian's own sources
# (apt-get source), qtserialport from the tarball beside this script
# (Debian's mirror does not serve its 6.4.2 sources). The host tools (moc,
# rcc, uic) are Debian's Qt 6.4.2.
#
# One-time, about 30 minutes on two cores (qtbase is 941 build steps), about
# 100 MB installed. Idempotent: finished steps are skipped; delete PREFIX or
# WORK to redo them.
#
#   PREFIX  where Qt is installed (default: the cache folder the windows
#           CMake preset looks in)
#   WORK    sources and build trees (default: PREFIX-work beside it)
#   JOBS    parallel build jobs (default 2)
#   SOURCES_ONLY=1  fetch, unpack and patch the sources, then stop
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
PREFIX=${PREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/tidewell-z/qt6-mingw}
WORK=${WORK:-$PREFIX-work}
JOBS=${JOBS:-2}
HOST_QT=/usr
HOST_QT_CMAKE=/usr/lib/x86_64-linux-gnu/cmake
TOOLCHAIN=$PREFIX/lib/cmake/mingw-w64-x86_64-posix.cmake   # travels with the prefix
QTBASE_VERSION=6.4.2+dfsg-10
QTBASE_DSC=qt6-base_$QTBASE_VERSION.dsc
QTSERIALPORT_TARBALL=$HERE/qtserialport-6.4.2-src.tar.xz
QTSERIALPORT_PATCH=$HERE/qtserialport-wine-waitcommevent.patch
NICE="nice -n 19 ionice -c3"

log() { echo "== $(date +%T) $*"; }
timed() {
    local name=$1
    shift
    local t0=$SECONDS
    "$@"
    log "$name took $((SECONDS - t0)) s"
}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

mkdir -p "$WORK" "$PREFIX/lib/cmake"
cd "$WORK"

# --- 1. packages and sources ------------------------------------------------
need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64)
[ -x /usr/lib/qt6/libexec/moc ] || need+=(qt6-base-dev qt6-base-dev-tools)
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v dpkg-source >/dev/null || need+=(dpkg-dev)
command -v patch >/dev/null || need+=(patch)
if [ ${#need[@]} -gt 0 ]; then
    $SUDO apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -d qtbase-src ]; then
    if [ ! -f "$QTBASE_DSC" ]; then
        # A private source list for bookworm: no root needed and the
        # system's apt configuration stays as it is.
        mkdir -p apt/lists/partial apt/cache/archives/partial
        echo "deb-src http://deb.debian.org/debian bookworm main" >apt/sources.list
        apt_private=(-o Dir::Etc::SourceList="$WORK/apt/sources.list"
            -o Dir::Etc::SourceParts=/nonexistent -o Dir::State::Lists="$WORK/apt/lists"
            -o Dir::Cache="$WORK/apt/cache")
        apt-get "${apt_private[@]}" update
        apt-get "${apt_private[@]}" source --download-only "qt6-base=$QTBASE_VERSION"
    fi
    dpkg-source -x "$QTBASE_DSC" qtbase-src # applies the Debian patches
fi
# The +dfsg tarball keeps zlib, pcre2, libpng, harfbuzz-ng, freetype,
# double-conversion and md4c, but drops src/3rdparty/wintab: tablet support
# is turned off below.
# Qt 6.4: with direct2d off, Gui lacks QWindowsDirectWriteFontDatabase, but
# the windows plugin still refers to it when directwrite3 is on (link error).
sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
    qtbase-src/src/plugins/platforms/windows/qwindowsintegration.cpp

if [ ! -d qtserialport-src ]; then
    mkdir qtserialport-src
    tar xJf "$QTSERIALPORT_TARBALL" -C qtserialport-src --strip-components=1
fi
# Under Wine only (a run-time check), QSerialPort skips WaitCommEvent, which
# Wine 8 never completes through a completion port, and reads at once.
if ! grep -q qt_serialport_on_wine qtserialport-src/src/serialport/qserialport_win.cpp; then
    patch -p1 -d qtserialport-src <"$QTSERIALPORT_PATCH"
fi

cat >"$TOOLCHAIN" <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
# -posix: the win32 thread model lacks std::thread/std::mutex, which Qt 6 needs.
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           /usr/bin/${TOOLCHAIN_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/${TOOLCHAIN_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC

if [ "${SOURCES_ONLY:-0}" = 1 ]; then
    log "sources ready in $WORK"
    exit 0
fi

# --- 2. qtbase ----------------------------------------------------------------
if [ ! -f "$PREFIX/lib/libQt6Widgets.a" ]; then
    mkdir -p qtbase-build
    cd qtbase-build
    if [ ! -f build.ninja ]; then
        log "configuring qtbase (log: $WORK/configure-qtbase.log)"
        timed qtbase-configure $NICE ../qtbase-src/configure -prefix "$PREFIX" -release -static \
            -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-pkg-config -no-zstd \
            -qt-zlib -qt-pcre -qt-libpng -no-libjpeg -no-gif -qt-harfbuzz -qt-freetype \
            -qt-doubleconversion \
            -no-feature-sql -no-feature-network -no-feature-printsupport -no-feature-testlib \
            -no-feature-xml -no-feature-concurrent -no-feature-androiddeployqt \
            -no-feature-tabletevent -no-feature-direct2d -no-feature-vulkan \
            -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
            -DQT_HOST_PATH="$HOST_QT" -DQT_HOST_PATH_CMAKE_DIR="$HOST_QT_CMAKE" \
            >../configure-qtbase.log 2>&1
    fi
    log "building qtbase (log: $WORK/build-qtbase.log)"
    timed qtbase-build $NICE cmake --build . -j"$JOBS" >../build-qtbase.log 2>&1
    timed qtbase-install $NICE cmake --install . >../install-qtbase.log 2>&1
    cd "$WORK"
fi

# --- 3. qtserialport ----------------------------------------------------------
if [ ! -f "$PREFIX/lib/libQt6SerialPort.a" ]; then
    mkdir -p qtserialport-build
    cd qtserialport-build
    [ -f build.ninja ] || timed qtserialport-configure $NICE "$PREFIX/bin/qt-configure-module" \
        ../qtserialport-src >../configure-qtserialport.log 2>&1
    timed qtserialport-build $NICE cmake --build . -j"$JOBS" >../build-qtserialport.log 2>&1
    timed qtserialport-install $NICE cmake --install . >../install-qtserialport.log 2>&1
    cd "$WORK"
fi

log "Qt for Windows installed in $PREFIX ($(du -sh "$PREFIX" | cut -f1)); $WORK may be deleted"
