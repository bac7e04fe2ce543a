# The Windows program as a user gets it, in the windows build:
#   package/stage/   the installed files (stripped programs, Twell.ini, the
#                    manual, README.txt); scripts/package-windows zips it as
#                    the portable form
#   package/tidewell-z-<version>-win64-setup.exe   the NSIS setup program
# The setup is made only where makensis is at hand (Debian's nsis package).

set(_stage ${PROJECT_BINARY_DIR}/package/stage)
set(_staged ${_stage}/tidewell-z.exe ${_stage}/tidewell-z-cli.exe ${_stage}/Twell.ini
            ${_stage}/manual.html ${_stage}/README.txt)
set(_cli ${PROJECT_BINARY_DIR}/src/tidewell-z-cli.exe)
add_custom_command(
    OUTPUT ${_staged}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_stage}
    COMMAND ${CMAKE_STRIP} -o ${_stage}/tidewell-z.exe $<TARGET_FILE:tidewell-z>
    COMMAND ${CMAKE_STRIP} -o ${_stage}/tidewell-z-cli.exe ${_cli}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/windows/Twell.ini
            ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
            ${PROJECT_SOURCE_DIR}/docs/manual.html ${_stage}
    DEPENDS tidewell-z tidewell-z-cli ${_cli} ${PROJECT_SOURCE_DIR}/packaging/windows/Twell.ini
            ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt ${PROJECT_SOURCE_DIR}/docs/manual.html
    COMMENT "Staging the Windows program"
    VERBATIM)
add_custom_target(tz-windows-stage ALL DEPENDS ${_staged})

find_program(TZ_MAKENSIS makensis)
if(TZ_MAKENSIS)
    set(TZ_WINDOWS_SETUP
        ${PROJECT_BINARY_DIR}/package/tidewell-z-${PROJECT_VERSION}-win64-setup.exe)
    set(_nsi ${PROJECT_SOURCE_DIR}/packaging/windows/tidewell-z.nsi)
    set(_ico ${PROJECT_SOURCE_DIR}/packaging/windows/tidewell-z.ico)
    # The four-part version of the file's version information.
    set(_v4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
    add_custom_command(
        OUTPUT ${TZ_WINDOWS_SETUP}
        COMMAND ${TZ_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DVERSION4=${_v4} -DSTAGE=${_stage}
                -DOUTFILE=${TZ_WINDOWS_SETUP} -DICON=${_ico} ${_nsi}
        DEPENDS ${_staged} ${_nsi} ${_ico}
        COMMENT "Making the Windows setup program"
        VERBATIM)
    add_custom_target(tz-windows-setup ALL DEPENDS ${TZ_WINDOWS_SETUP})
else()
    message(STATUS "makensis not found: no Windows setup program (package nsis)")
endif()
