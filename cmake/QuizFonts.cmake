# The quiz reads its font as data/nsecthck.ttf. Git holds no font, so the quiz folder data/
# and lessons/screens/, whose font every lesson's folder links to, get a copy of DejaVu Sans
# from fonts-dejavu-core when the build is configured; a font already there is kept. The
# program, molvane-check and the tests then run on these folders as they are.
set(MOLVANE_FONT "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
    CACHE FILEPATH "DejaVu Sans: copied into quiz folders that lack a font, linked from installed ones")

foreach(quiz IN ITEMS "${PROJECT_SOURCE_DIR}/data" "${PROJECT_SOURCE_DIR}/lessons/screens")
  if(NOT IS_DIRECTORY "${quiz}")
    continue()
  endif()
  # A font removed later is copied again by the next build.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${quiz}/nsecthck.ttf")
  if(EXISTS "${quiz}/nsecthck.ttf")
    continue()
  endif()
  if(NOT EXISTS "${MOLVANE_FONT}")
    message(FATAL_ERROR "${quiz} needs the font nsecthck.ttf, a copy of DejaVu Sans, but "
                        "${MOLVANE_FONT} is missing. Install the Debian package fonts-dejavu-core "
                        "(scripts/install-missing fonts-dejavu-core), or set MOLVANE_FONT to "
                        "DejaVuSans.ttf elsewhere, or put a TrueType font there as nsecthck.ttf.")
  endif()
  # A dangling link counts as missing; replace it.
  file(REMOVE "${quiz}/nsecthck.ttf")
  configure_file("${MOLVANE_FONT}" "${quiz}/nsecthck.ttf" COPYONLY)
  message(STATUS "Copied ${MOLVANE_FONT} to ${quiz}/nsecthck.ttf")
endforeach()
