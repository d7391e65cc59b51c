# Debian package: `cpack -G DEB` in the build folder writes molvane_<version>-1_<arch>.deb.
# The version is the project's (CMakeLists.txt), released on MOLVANE_RELEASE_DATE
# (cmake/Install.cmake).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME molvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "quiz that teaches the names of molecules")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# A packager sets their own name and address here (-DMOLVANE_PACKAGE_MAINTAINER=...).
set(MOLVANE_PACKAGE_MAINTAINER "Molvane maintainers <maintainers@molvane.example>"
    CACHE STRING "Maintainer field of the Debian package: Name <address>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MOLVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# A quiz that teaches: Debian's "education" section, with the commands in /usr/bin
# where that section has them ("games" wants them in /usr/games and is for play).
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION "Molvane shows the structure of a molecule and asks for its name; a wrong
answer asks the same molecule again, until every name is right. It comes
with a quiz of common organic molecules and lessons of one topic each. A
teacher can make a quiz of their own by putting a data/ folder next to
where molvane is started.")
# Debian 12's libSDL-1.2.so.0 comes from libsdl1.2-compat-shim (sdl12-compat over
# SDL 2); older releases have the classic libsdl1.2debian.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 5.2), libsdl1.2-compat-shim | libsdl1.2debian (>= 1.2.15), libsdl-ttf2.0-0, libx11-6, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Debian changelog, compressed as policy asks; its entry carries the package version.
set(MOLVANE_DEBIAN_VERSION "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
if(NOT MOLVANE_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
  message(FATAL_ERROR "MOLVANE_RELEASE_DATE must be YYYY-MM-DD")
endif()
# The entry's date in the form Debian wants (Mon, 07 Dec 2026 12:00:00 +0000). The
# weekday comes from the days since 1970-01-01 (a Thursday), counted in years that
# start in March.
set(molvane_year "${CMAKE_MATCH_1}")
set(molvane_day "${CMAKE_MATCH_3}")
string(REGEX REPLACE "^0" "" molvane_m "${CMAKE_MATCH_2}")
string(REGEX REPLACE "^0" "" molvane_d "${CMAKE_MATCH_3}")
set(molvane_y "${molvane_year}")
if(molvane_m GREATER 2)
  math(EXPR molvane_march_m "${molvane_m} - 3")
else()
  math(EXPR molvane_y "${molvane_y} - 1")
  math(EXPR molvane_march_m "${molvane_m} + 9")
endif()
math(EXPR molvane_days "${molvane_y} * 365 + ${molvane_y} / 4 - ${molvane_y} / 100 + ${molvane_y} / 400
                        + (153 * ${molvane_march_m} + 2) / 5 + ${molvane_d} - 1 - 719468")
math(EXPR molvane_weekday "(${molvane_days} + 4) % 7")
set(molvane_weekdays Sun Mon Tue Wed Thu Fri Sat)
list(GET molvane_weekdays ${molvane_weekday} molvane_weekday)
math(EXPR molvane_m "${molvane_m} - 1")
set(molvane_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET molvane_months ${molvane_m} molvane_month)
set(MOLVANE_CHANGELOG_DATE
    "${molvane_weekday}, ${molvane_day} ${molvane_month} ${molvane_year} 12:00:00 +0000")
configure_file("${PROJECT_SOURCE_DIR}/packaging/changelog.in"
               "${PROJECT_BINARY_DIR}/packaging/changelog.Debian" @ONLY)
add_custom_command(
  OUTPUT "${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz"
  COMMAND "${CMAKE_COMMAND}" "-DINPUT=${PROJECT_BINARY_DIR}/packaging/changelog.Debian"
          "-DOUTPUT=${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz"
          -P "${PROJECT_SOURCE_DIR}/cmake/compress.cmake"
  DEPENDS "${PROJECT_BINARY_DIR}/packaging/changelog.Debian" "${PROJECT_SOURCE_DIR}/cmake/compress.cmake"
  COMMENT "Compressing the Debian changelog"
  VERBATIM)
add_custom_target(molvane-changelog ALL DEPENDS "${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz")
install(FILES "${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz" DESTINATION "${MOLVANE_DOC_DIR}")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/lintian-overrides"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME molvane)

include(CPack)
