# Install layout (paths below the prefix):
#   bin/molvane                       launcher (packaging/molvane.in)
#   bin/molvane-check                 the data checker, when it is built
#   libexec/molvane/molvane           the program
#   share/molvane/data/               the bundled quiz; nsecthck.ttf links to DejaVu Sans
#   share/applications/molvane.desktop
#   share/icons/hicolor/256x256/apps/molvane.png
include(GNUInstallDirs)

# The launcher finds the program and the bundled quiz relative to itself.
foreach(dir IN ITEMS CMAKE_INSTALL_BINDIR CMAKE_INSTALL_LIBEXECDIR CMAKE_INSTALL_DATADIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} must be relative to the install prefix (it is ${${dir}})")
  endif()
endforeach()

set(MOLVANE_PROGRAM_DIR "${CMAKE_INSTALL_LIBEXECDIR}/molvane")
set(MOLVANE_QUIZ_DIR "${CMAKE_INSTALL_DATADIR}/molvane")

# The quiz's font is DejaVu Sans from fonts-dejavu-core, linked under the name the
# program looks for.
set(MOLVANE_FONT "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
    CACHE FILEPATH "DejaVu Sans, which the installed data/nsecthck.ttf links to")

install(TARGETS molvane RUNTIME DESTINATION "${MOLVANE_PROGRAM_DIR}")
if(TARGET molvane-check)
  install(TARGETS molvane-check RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/" DESTINATION "${MOLVANE_QUIZ_DIR}/data"
        FILES_MATCHING PATTERN "*.bmp" PATTERN "Molecule List.txt")
install(CODE "set(molvane_font [[${MOLVANE_FONT}]])
set(molvane_font_link [[${MOLVANE_QUIZ_DIR}/data/nsecthck.ttf]])")
install(CODE [[
  if(NOT EXISTS "${molvane_font}")
    message(FATAL_ERROR "${molvane_font} is missing: install fonts-dejavu-core, or set MOLVANE_FONT")
  endif()
  set(molvane_font_link "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${molvane_font_link}")
  message(STATUS "Installing: ${molvane_font_link} -> ${molvane_font}")
  file(CREATE_LINK "${molvane_font}" "${molvane_font_link}" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${molvane_font_link}")
]])

file(RELATIVE_PATH MOLVANE_LAUNCHER_PROGRAM "/${CMAKE_INSTALL_BINDIR}" "/${MOLVANE_PROGRAM_DIR}/molvane")
file(RELATIVE_PATH MOLVANE_LAUNCHER_QUIZ "/${CMAKE_INSTALL_BINDIR}" "/${MOLVANE_QUIZ_DIR}")
configure_file("${PROJECT_SOURCE_DIR}/packaging/molvane.in" "${PROJECT_BINARY_DIR}/packaging/molvane" @ONLY)
install(PROGRAMS "${PROJECT_BINARY_DIR}/packaging/molvane" DESTINATION "${CMAKE_INSTALL_BINDIR}")

install(FILES "${PROJECT_SOURCE_DIR}/packaging/molvane.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/molvane.png"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps")

# packaging/molvane.png is committed so that installing needs no Python; this target
# remakes it after tools/make_icon.py changes (needs python3-pil and python3-rdkit).
set(MOLVANE_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 that has Debian's python3-* packages")
add_custom_target(molvane-icon
  COMMAND "${MOLVANE_PYTHON}" "${PROJECT_SOURCE_DIR}/tools/make_icon.py"
          "${PROJECT_SOURCE_DIR}/packaging/molvane.png"
  COMMENT "Remaking packaging/molvane.png"
  VERBATIM)
