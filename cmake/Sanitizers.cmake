# Instrumented builds for finding memory errors, undefined behaviour and leaks.
#
# MOLVANE_SANITIZE: every target, the program, its core library and the tests, is built
# with AddressSanitizer (which includes LeakSanitizer) and UndefinedBehaviorSanitizer.
# Undefined behaviour ends the run instead of being reported and carried on from, so
# that no test can pass over it. Every executable also gets the run-time defaults of
# tests/sanitizers/defaults.cpp.in, with the leak suppressions of
# tests/sanitizers/lsan.supp built in.
#
# MOLVANE_FUZZ: adds libFuzzer's coverage instrumentation to every target, so that the
# fuzz targets in fuzz/ can steer through the program's own code. It needs clang and
# implies MOLVANE_SANITIZE.
option(MOLVANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(MOLVANE_FUZZ "Build the libFuzzer fuzz targets (clang only)" OFF)

if(MOLVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "MOLVANE_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(MOLVANE_SANITIZE ON)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(MOLVANE_SANITIZE)
  # GCC leaves float-to-integer overflow out of "undefined"; the count line needs it.
  set(molvane_sanitizers address,undefined,float-cast-overflow)
  add_compile_options(-fsanitize=${molvane_sanitizers} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${molvane_sanitizers} -fno-sanitize-recover=all)

  set(molvane_suppressions ${CMAKE_CURRENT_LIST_DIR}/../tests/sanitizers/lsan.supp)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${molvane_suppressions})
  file(READ ${molvane_suppressions} MOLVANE_LSAN_SUPPRESSIONS)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/../tests/sanitizers/defaults.cpp.in
                 ${CMAKE_BINARY_DIR}/sanitizer_defaults.cpp @ONLY)
  add_library(molvane_sanitizer_defaults OBJECT ${CMAKE_BINARY_DIR}/sanitizer_defaults.cpp)
  # Every target made from here on links the defaults' object file itself.
  link_libraries(molvane_sanitizer_defaults)
endif()
