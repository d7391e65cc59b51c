# Reads lessons/index.tsv (written by the quiz builder): a header line
# "lesson<TAB>topic<TAB>molecules", then one row per lesson in teaching order. Sets
#   MOLVANE_LESSONS        the lesson ids, in the index's order (empty without an index)
#   MOLVANE_LESSON_TOPIC_<id>  each lesson's topic
# Each id names its quiz folder lessons/<id>/ and is what a user types after `molvane`.
set(MOLVANE_LESSONS_INDEX "${PROJECT_SOURCE_DIR}/lessons/index.tsv")
set(MOLVANE_LESSONS "")

if(EXISTS "${MOLVANE_LESSONS_INDEX}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${MOLVANE_LESSONS_INDEX}")
  file(STRINGS "${MOLVANE_LESSONS_INDEX}" molvane_rows ENCODING UTF-8)
  list(LENGTH molvane_rows molvane_row_count)
  if(molvane_row_count EQUAL 0)
    message(FATAL_ERROR "${MOLVANE_LESSONS_INDEX} is empty")
  endif()
  list(GET molvane_rows 0 molvane_header)
  if(NOT molvane_header STREQUAL "lesson\ttopic\tmolecules")
    message(FATAL_ERROR "${MOLVANE_LESSONS_INDEX}: the first line must be lesson<TAB>topic<TAB>molecules")
  endif()
  list(REMOVE_AT molvane_rows 0)
  foreach(row IN LISTS molvane_rows)
    # An id is a short lower-case slug: a folder name, a command argument and a desktop
    # action name at once.
    if(NOT row MATCHES "^([a-z0-9][a-z0-9-]*)\t([^\t]+)\t([0-9]+)$")
      message(FATAL_ERROR "${MOLVANE_LESSONS_INDEX}: bad row \"${row}\" (want id<TAB>topic<TAB>count, "
                          "the id in lower-case letters, digits and hyphens)")
    endif()
    set(id "${CMAKE_MATCH_1}")
    if(NOT EXISTS "${PROJECT_SOURCE_DIR}/lessons/${id}/Molecule List.txt")
      message(FATAL_ERROR "lesson ${id} is listed in ${MOLVANE_LESSONS_INDEX} but "
                          "lessons/${id}/Molecule List.txt is missing")
    endif()
    if(id IN_LIST MOLVANE_LESSONS)
      message(FATAL_ERROR "${MOLVANE_LESSONS_INDEX} lists lesson ${id} twice")
    endif()
    list(APPEND MOLVANE_LESSONS "${id}")
    set(MOLVANE_LESSON_TOPIC_${id} "${CMAKE_MATCH_2}")
  endforeach()
endif()
