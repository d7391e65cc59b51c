# Debian package: `cpack -G DEB` in the build folder writes molvane_<version>-1_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME molvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(MOLVANE_PACKAGE_MAINTAINER "Molvane maintainers <maintainers@molvane.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MOLVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION "Molvane shows the structure of a molecule and asks for its name. It comes
with a quiz of common organic molecules; a teacher can make a quiz of their
own by putting a data/ folder next to where molvane is started.")
# Debian 12's libSDL-1.2.so.0 comes from libsdl1.2-compat-shim (sdl12-compat over
# SDL 2); older releases have the classic libsdl1.2debian.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 5.2), libsdl1.2-compat-shim | libsdl1.2debian (>= 1.2.15), libsdl-ttf2.0-0, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
