# The whole program for 64-bit Windows: the mingw-w64 cross build plus a
# static Qt 6 built for it (scripts/provide-windows-qt puts one into the
# cache folder below). The Qt prefix is, in this order: the cache variable
# TZ_WINDOWS_QT, the environment variable of the same name, or
# ${XDG_CACHE_HOME:-$HOME/.cache}/tidewell-z/qt6-mingw.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

if(NOT TZ_WINDOWS_QT)
    if(DEFINED ENV{TZ_WINDOWS_QT} AND NOT "$ENV{TZ_WINDOWS_QT}" STREQUAL "")
        set(TZ_WINDOWS_QT "$ENV{TZ_WINDOWS_QT}")
    elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
        set(TZ_WINDOWS_QT "$ENV{XDG_CACHE_HOME}/tidewell-z/qt6-mingw")
    else()
        set(TZ_WINDOWS_QT "$ENV{HOME}/.cache/tidewell-z/qt6-mingw")
    endif()
endif()
set(TZ_WINDOWS_QT "${TZ_WINDOWS_QT}" CACHE PATH "Static Qt 6 for mingw-w64 (scripts/provide-windows-qt)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TZ_WINDOWS_QT)
if(NOT EXISTS "${TZ_WINDOWS_QT}/lib/cmake/Qt6/Qt6Config.cmake")
    message(FATAL_ERROR "No Qt for Windows in ${TZ_WINDOWS_QT}: run scripts/provide-windows-qt "
                        "(or set TZ_WINDOWS_QT to a static mingw-w64 Qt 6 with Widgets and SerialPort)")
endif()

# What Qt's own qt.toolchain.cmake does, without chain-loading the toolchain
# file of the machine Qt was built on: the prefix is a find root (the mingw
# sysroot is the only other one), its lib/cmake the package search path.
# The host tools (moc, rcc, uic) are Debian's Qt of the same version.
list(PREPEND CMAKE_FIND_ROOT_PATH "${TZ_WINDOWS_QT}")
list(PREPEND CMAKE_PREFIX_PATH "${TZ_WINDOWS_QT}/lib/cmake")
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

# The static libmosquitto of scripts/provide-windows-mosquitto, when there is
# one: the program then publishes to MQTT brokers too.
if(NOT TZ_WINDOWS_MOSQUITTO)
    if(DEFINED ENV{TZ_WINDOWS_MOSQUITTO} AND NOT "$ENV{TZ_WINDOWS_MOSQUITTO}" STREQUAL "")
        set(TZ_WINDOWS_MOSQUITTO "$ENV{TZ_WINDOWS_MOSQUITTO}")
    else()
        get_filename_component(TZ_WINDOWS_MOSQUITTO "${TZ_WINDOWS_QT}/../mosquitto-mingw" ABSOLUTE)
    endif()
endif()
set(TZ_WINDOWS_MOSQUITTO "${TZ_WINDOWS_MOSQUITTO}" CACHE PATH
    "Static libmosquitto for mingw-w64 (scripts/provide-windows-mosquitto)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TZ_WINDOWS_MOSQUITTO)
if(EXISTS "${TZ_WINDOWS_MOSQUITTO}/lib/libmosquitto_static.a")
    list(PREPEND CMAKE_FIND_ROOT_PATH "${TZ_WINDOWS_MOSQUITTO}")
endif()
