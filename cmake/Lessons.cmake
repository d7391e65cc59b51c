# Reads lessons/index.tsv (written by tools/build_bank.py): a header line
# "lesson<TAB>level<TAB>topic<TAB>molecules<TAB>styles", then one row per lesson in
# teaching order. Sets
#   MOLVANE_LESSONS                 the lesson ids, in the index's order (empty without an index)
#   MOLVANE_LESSON_TOPIC_<id>       each lesson's topic
#   MOLVANE_LESSON_STYLES_<id>      the naming styles the desktop plays it in
# Each id names the quiz folders lessons/<style>/<id>/data/ and is what a user types after
# `molvane`; the pictures they link to are in lessons/pictures/ and lessons/screens/.
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
  if(NOT molvane_header STREQUAL "lesson\tlevel\ttopic\tmolecules\tstyles")
    message(FATAL_ERROR "${MOLVANE_LESSONS_INDEX}: the first line must be "
                        "lesson<TAB>level<TAB>topic<TAB>molecules<TAB>styles")
  endif()
  list(REMOVE_AT molvane_rows 0)
  foreach(row IN LISTS molvane_rows)
    # An id is a short lower-case slug: a folder name, a command argument and a desktop
    # action name at once.
    if(NOT row MATCHES "^([a-z0-9][a-z0-9-]*)\t([a-z-]+)\t([^\t]+)\t([0-9]+)\t([a-z ]+)$")
      message(FATAL_ERROR "${MOLVANE_LESSONS_INDEX}: bad row \"${row}\" (want "
                          "id<TAB>level<TAB>topic<TAB>count<TAB>styles, the id in lower-case "
                          "letters, digits and hyphens)")
    endif()
    set(id "${CMAKE_MATCH_1}")
    set(topic "${CMAKE_MATCH_3}")
    string(REPLACE " " ";" styles "${CMAKE_MATCH_5}")
    foreach(style IN LISTS styles)
      if(NOT EXISTS "${PROJECT_SOURCE_DIR}/lessons/${style}/${id}/data/Molecule List.txt")
        message(FATAL_ERROR "lesson ${id} is listed in ${MOLVANE_LESSONS_INDEX} in style "
                            "${style} but lessons/${style}/${id}/data/Molecule List.txt is missing")
      endif()
    endforeach()
    if(id IN_LIST MOLVANE_LESSONS)
      message(FATAL_ERROR "${MOLVANE_LESSONS_INDEX} lists lesson ${id} twice")
    endif()
    list(APPEND MOLVANE_LESSONS "${id}")
    set(MOLVANE_LESSON_TOPIC_${id} "${topic}")
    set(MOLVANE_LESSON_STYLES_${id} "${styles}")
  endforeach()
endif()
