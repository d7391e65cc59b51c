# Install layout (paths below the prefix):
#   bin/molvane                       launcher (packaging/molvane.in)
#   bin/molvane-check                 the data checker, when it is built
#   libexec/molvane/molvane           the program
#   share/molvane/data/               the bundled quiz; nsecthck.ttf links to DejaVu Sans
#   share/molvane/lessons/index.tsv   the lessons of lessons/index.tsv, when there is one,
#   share/molvane/lessons/<style>/<id>/data/
#                                     each a quiz of its own in the styles the desktop plays;
#                                     their pictures link to lessons/pictures/ and
#                                     lessons/screens/, whose nsecthck.ttf links to the font
#   share/applications/<app id>.desktop, share/metainfo/<app id>.metainfo.xml
#   share/icons/hicolor/256x256/apps/molvane.png
#   share/man/man6/molvane.6.gz, share/man/man1/molvane-check.1.gz (built with scdoc)
#   share/doc/molvane/copyright, share/doc/molvane/changelog.Debian.gz
include(GNUInstallDirs)
include(cmake/Lessons.cmake)

# The launcher finds the program and the bundled quiz relative to itself.
foreach(dir IN ITEMS CMAKE_INSTALL_BINDIR CMAKE_INSTALL_LIBEXECDIR CMAKE_INSTALL_DATADIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} must be relative to the install prefix (it is ${${dir}})")
  endif()
endforeach()

# The application's id for desktops and software centres, in reverse-DNS form. The
# project owns no domain, so it is built on molvane.example, a name in the reserved
# .example domain that nobody can own. It names the desktop entry and the metainfo file
# and must not change once released.
set(MOLVANE_APP_ID example.molvane.Molvane)

# The day the project's version (CMakeLists.txt) was released, for the metainfo and the
# Debian changelog: change it with the version.
set(MOLVANE_RELEASE_DATE "2026-12-07")

set(MOLVANE_PROGRAM_DIR "${CMAKE_INSTALL_LIBEXECDIR}/molvane")
set(MOLVANE_QUIZ_DIR "${CMAKE_INSTALL_DATADIR}/molvane")
set(MOLVANE_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/molvane")

# The quiz's font is DejaVu Sans from fonts-dejavu-core (MOLVANE_FONT, cmake/QuizFonts.cmake),
# linked under the name the program looks for.

install(TARGETS molvane RUNTIME DESTINATION "${MOLVANE_PROGRAM_DIR}")
if(TARGET molvane-check)
  install(TARGETS molvane-check RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

# The quizzes: the bundled one, then one folder per lesson.
set(molvane_font_links "${MOLVANE_QUIZ_DIR}/data/nsecthck.ttf")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/" DESTINATION "${MOLVANE_QUIZ_DIR}/data"
        FILES_MATCHING PATTERN "*.bmp" PATTERN "Molecule List.txt")
if(MOLVANE_LESSONS)
  install(FILES "${MOLVANE_LESSONS_INDEX}" DESTINATION "${MOLVANE_QUIZ_DIR}/lessons")
  install(DIRECTORY "${PROJECT_SOURCE_DIR}/lessons/pictures" "${PROJECT_SOURCE_DIR}/lessons/screens"
          DESTINATION "${MOLVANE_QUIZ_DIR}/lessons" FILES_MATCHING PATTERN "*.bmp")
  list(APPEND molvane_font_links "${MOLVANE_QUIZ_DIR}/lessons/screens/nsecthck.ttf")
endif()
# A lesson's folders link to the pictures and the font; the links are installed as links.
foreach(id IN LISTS MOLVANE_LESSONS)
  foreach(style IN LISTS MOLVANE_LESSON_STYLES_${id})
    install(DIRECTORY "${PROJECT_SOURCE_DIR}/lessons/${style}/${id}/data"
            DESTINATION "${MOLVANE_QUIZ_DIR}/lessons/${style}/${id}"
            FILES_MATCHING PATTERN "*.bmp" PATTERN "Molecule List.txt" PATTERN "nsecthck.ttf")
  endforeach()
endforeach()

# Each quiz's nsecthck.ttf links to the font. The link is relative when the font lies
# below the install prefix (/usr/share/fonts from a /usr prefix, as in the Debian
# package), so it stays inside the tree; otherwise (~/.local, /opt/molvane) it is the
# font's absolute path, so that moving the installed tree keeps it working.
install(CODE "set(molvane_font [[${MOLVANE_FONT}]])
set(molvane_font_links [[${molvane_font_links}]])")
install(CODE [[
  if(NOT EXISTS "${molvane_font}")
    message(FATAL_ERROR "${molvane_font} is missing: install fonts-dejavu-core, or set MOLVANE_FONT")
  endif()
  foreach(link IN LISTS molvane_font_links)
    set(link "${CMAKE_INSTALL_PREFIX}/${link}")
    get_filename_component(link_dir "${link}" DIRECTORY)
    set(target "${molvane_font}")
    string(FIND "${molvane_font}" "${CMAKE_INSTALL_PREFIX}/" at)
    if(at EQUAL 0)
      file(RELATIVE_PATH target "${link_dir}" "${molvane_font}")
    endif()
    message(STATUS "Installing: $ENV{DESTDIR}${link} -> ${target}")
    file(CREATE_LINK "${target}" "$ENV{DESTDIR}${link}" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "$ENV{DESTDIR}${link}")
  endforeach()
]])

file(RELATIVE_PATH MOLVANE_LAUNCHER_PROGRAM "/${CMAKE_INSTALL_BINDIR}" "/${MOLVANE_PROGRAM_DIR}/molvane")
file(RELATIVE_PATH MOLVANE_LAUNCHER_QUIZ "/${CMAKE_INSTALL_BINDIR}" "/${MOLVANE_QUIZ_DIR}")
configure_file("${PROJECT_SOURCE_DIR}/packaging/molvane.in" "${PROJECT_BINARY_DIR}/packaging/molvane" @ONLY)
install(PROGRAMS "${PROJECT_BINARY_DIR}/packaging/molvane" DESTINATION "${CMAKE_INSTALL_BINDIR}")

# The desktop entry offers each lesson as an action that runs `molvane <id>`, in the
# default style.
set(MOLVANE_DESKTOP_ACTIONS "")
if(MOLVANE_LESSONS)
  set(molvane_action_groups "")
  string(APPEND MOLVANE_DESKTOP_ACTIONS "Actions=")
  foreach(id IN LISTS MOLVANE_LESSONS)
    string(APPEND MOLVANE_DESKTOP_ACTIONS "${id};")
    string(APPEND molvane_action_groups
           "\n[Desktop Action ${id}]\nName=${MOLVANE_LESSON_TOPIC_${id}}\nExec=molvane ${id}\n")
  endforeach()
  string(APPEND MOLVANE_DESKTOP_ACTIONS "\n${molvane_action_groups}")
endif()
configure_file("${PROJECT_SOURCE_DIR}/packaging/molvane.desktop.in"
               "${PROJECT_BINARY_DIR}/packaging/${MOLVANE_APP_ID}.desktop" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/packaging/${MOLVANE_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/molvane.png"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps")

# Software-centre metadata. Its screenshots are the README's, found below this address.
set(MOLVANE_SCREENSHOT_URL "https://molvane.example/docs/screenshots"
    CACHE STRING "Web address of the folder that holds the README's screenshots (docs/screenshots)")
configure_file("${PROJECT_SOURCE_DIR}/packaging/molvane.metainfo.xml.in"
               "${PROJECT_BINARY_DIR}/packaging/${MOLVANE_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/packaging/${MOLVANE_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# Manual pages, written in scdoc and installed compressed.
find_program(MOLVANE_SCDOC scdoc)
if(MOLVANE_SCDOC)
  set(molvane_man_pages "")
  foreach(page IN ITEMS molvane.6 molvane-check.1)
    string(REGEX REPLACE ".*\\." "" section "${page}")
    configure_file("${PROJECT_SOURCE_DIR}/packaging/man/${page}.scd"
                   "${PROJECT_BINARY_DIR}/packaging/man/${page}.scd" @ONLY)
    add_custom_command(
      OUTPUT "${PROJECT_BINARY_DIR}/packaging/man/${page}.gz"
      COMMAND "${CMAKE_COMMAND}" -DSCDOC=${MOLVANE_SCDOC}
              "-DINPUT=${PROJECT_BINARY_DIR}/packaging/man/${page}.scd"
              "-DOUTPUT=${PROJECT_BINARY_DIR}/packaging/man/${page}.gz"
              -P "${PROJECT_SOURCE_DIR}/cmake/compress.cmake"
      DEPENDS "${PROJECT_BINARY_DIR}/packaging/man/${page}.scd" "${PROJECT_SOURCE_DIR}/cmake/compress.cmake"
      COMMENT "Writing the manual page ${page}"
      VERBATIM)
    list(APPEND molvane_man_pages "${PROJECT_BINARY_DIR}/packaging/man/${page}.gz")
    install(FILES "${PROJECT_BINARY_DIR}/packaging/man/${page}.gz"
            DESTINATION "${CMAKE_INSTALL_MANDIR}/man${section}")
  endforeach()
  add_custom_target(molvane-man ALL DEPENDS ${molvane_man_pages})
else()
  message(WARNING "scdoc is missing: the manual pages are neither built nor installed")
endif()

# Licence and copyright; the Debian changelog is written by cmake/Package.cmake.
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" DESTINATION "${MOLVANE_DOC_DIR}")

# packaging/molvane.png is committed so that installing needs no Python; this target
# remakes it after tools/make_icon.py changes (needs python3-pil and python3-rdkit).
set(MOLVANE_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 that has Debian's python3-* packages")
add_custom_target(molvane-icon
  COMMAND "${MOLVANE_PYTHON}" "${PROJECT_SOURCE_DIR}/tools/make_icon.py"
          "${PROJECT_SOURCE_DIR}/packaging/molvane.png"
  COMMENT "Remaking packaging/molvane.png"
  VERBATIM)
