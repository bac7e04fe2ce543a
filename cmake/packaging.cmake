# Installation on Linux and the Debian package:
#     cmake --install <build> [--prefix DIR]     (default prefix /usr/local)
#     cpack --config <build>/CPackConfig.cmake   (tidewell-z_<version>_amd64.deb)
# The program finds what it needs relative to itself: ../share/tidewell-z/
# (default Twell.ini, manual) and ../lib/tidewell-z/ (the Calc module).

set(_share ${CMAKE_INSTALL_DATADIR}/tidewell-z)
set(_gen ${PROJECT_BINARY_DIR}/data)

# The icon at the theme's bitmap sizes, drawn by the program's own picture
# code so that the desktop shows what the windows show.
add_executable(tz-render-icon ${PROJECT_SOURCE_DIR}/tools/icon/render_icon.cpp)
target_link_libraries(tz-render-icon PRIVATE tz_ui)
add_custom_command(
    OUTPUT ${_gen}/tidewell-z-16.png ${_gen}/tidewell-z-32.png ${_gen}/tidewell-z-48.png
    COMMAND tz-render-icon ${_gen} 16 32 48
    DEPENDS tz-render-icon
    COMMENT "Drawing the icon"
    VERBATIM)

# Man pages, compressed as Debian ships them (-n: no time stamp, so that
# two builds give the same package).
find_program(TZ_GZIP gzip REQUIRED)
set(_manpages "")
foreach(_page tidewell-z.1 tidewell-sim.1)
    add_custom_command(
        OUTPUT ${_gen}/${_page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}
        COMMAND ${TZ_GZIP} -9nc ${PROJECT_SOURCE_DIR}/docs/${_page} > ${_gen}/${_page}.gz
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/${_page}
        VERBATIM)
    list(APPEND _manpages ${_gen}/${_page}.gz)
endforeach()

add_custom_target(tz-install-data ALL
    DEPENDS ${_gen}/tidewell-z-16.png ${_gen}/tidewell-z-32.png ${_gen}/tidewell-z-48.png
            ${_manpages})

install(FILES ${PROJECT_SOURCE_DIR}/data/tidewell-z.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/tidewell-z.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(_size 16 32 48)
    install(FILES ${_gen}/tidewell-z-${_size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
            RENAME tidewell-z.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/data/Twell.ini ${PROJECT_SOURCE_DIR}/docs/manual.html
        DESTINATION ${_share})
install(FILES ${_manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The unattended runs as system services, installed but not enabled; their
# user is made from the sysusers.d entry when the package is configured.
# The units name /usr/bin/tidewell-z: they are for the package's prefix.
install(FILES ${PROJECT_SOURCE_DIR}/docs/tidewell-z-online.service
              ${PROJECT_SOURCE_DIR}/docs/tidewell-z-online@.service
        DESTINATION lib/systemd/system)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/tidewell-z.sysusers
        DESTINATION lib/sysusers.d RENAME tidewell-z.conf)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/COM1.conf
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# The Debian package. The dependencies are the Qt 6 runtime of Debian 12
# (the xcb platform plugin is a package of its own there); LibreOffice is
# only recommended: without it the program writes CSV and says what to
# install when a workbook transfer is asked for.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tidewell-z)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "TIDEWELL-Z team")
# Who answers for the package and where the project lives: the project's
# own names, settable for a build made elsewhere. The domain is a reserved
# example name until the project has one of its own, so it can never point
# at somebody else.
set(TZ_PACKAGE_MAINTAINER "TIDEWELL-Z team <maintainers@tidewell-z.example>"
    CACHE STRING "The Debian package's Maintainer field")
set(TZ_PACKAGE_HOMEPAGE "https://tidewell-z.example/" CACHE STRING "The Debian package's Homepage field")
set(CPACK_PACKAGE_CONTACT "${TZ_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TZ_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data transfer utility for the TIDEWELL-Z flowmeter")
set(CPACK_PACKAGE_DESCRIPTION
    "Polls one parameter of a TIDEWELL-Z flowmeter at a fixed interval, or downloads\n\
its logger data sets, over a serial port (COM1 to COM9, mapped to Linux devices),\n\
into a CSV document or, cell by cell, into a workbook held open by LibreOffice\n\
Calc. Includes tidewell-sim, a simulated flowmeter on a pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TZ_PACKAGE_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1, libqt6core6 (>= 6.4.2), libqt6gui6 (>= 6.4.2), libqt6widgets6 (>= 6.4.2), libqt6serialport6 (>= 6.4.2), qt6-qpa-plugins (>= 6.4.2)")
# Publishing to an MQTT broker links libmosquitto where the build found it.
if(TARGET tz_mosquitto)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libmosquitto1 (>= 2.0)")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-calc, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
                                       ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
# Directories the package shares with others are not its own.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
