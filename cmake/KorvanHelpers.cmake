# Shared build settings and the test registration helper.

find_program(KORVAN_CCACHE ccache)
if(KORVAN_CCACHE)
  # base_dir makes hits portable between checkouts of the same tree.
  set(launcher env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} ${KORVAN_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
endif()

add_library(korvan_warnings INTERFACE)
target_compile_options(korvan_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wno-unused-parameter)
target_include_directories(korvan_warnings INTERFACE ${PROJECT_SOURCE_DIR})

if(KORVAN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Fuzz targets (clang's libFuzzer): every library is instrumented for
# coverage, and korvan_add_fuzzer programs link the fuzzer's main.
if(KORVAN_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# korvan_add_fuzzer(NAME name SOURCES ... LIBS ... CORPUS folder [MAX_LEN bytes])
# A libFuzzer program, built only with KORVAN_FUZZ; scripts/fuzz runs every
# one on its corpus folder (relative to the calling CMakeLists.txt) with
# inputs of at most MAX_LEN bytes (default 16384), as listed in
# <build>/fuzzers.txt.
function(korvan_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;CORPUS;MAX_LEN" "SOURCES;LIBS" ${ARGN})
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 16384)
  endif()
  if(NOT KORVAN_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS} korvan_warnings)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${F_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set_property(GLOBAL APPEND PROPERTY KORVAN_FUZZERS
    "${F_NAME}\t${CMAKE_BINARY_DIR}/fuzz/${F_NAME}\t${CMAKE_CURRENT_SOURCE_DIR}/${F_CORPUS}\t${F_MAX_LEN}")
  set_property(GLOBAL APPEND PROPERTY KORVAN_FUZZER_TARGETS ${F_NAME})
endfunction()

# Writes <build>/fuzzers.txt (name, program, corpus, largest input;
# tab-separated) and the
# target korvan_fuzzers that builds them all. Called once, at the end.
function(korvan_finish_fuzzers)
  if(NOT KORVAN_FUZZ)
    return()
  endif()
  get_property(rows GLOBAL PROPERTY KORVAN_FUZZERS)
  get_property(targets GLOBAL PROPERTY KORVAN_FUZZER_TARGETS)
  list(JOIN rows "\n" text)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzzers.txt "${text}\n")
  add_custom_target(korvan_fuzzers DEPENDS ${targets})
endfunction()

# korvan_add_test(NAME name SOURCES ... LIBS ... [QT] [LABELS ...] [TIMEOUT s])
# Registers a GoogleTest (or QTest with QT) executable with ctest. Qt-free
# suites carry the label "qtfree", so the sanitizer run can pick them.
function(korvan_add_test)
  cmake_parse_arguments(T "QT" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} korvan_warnings)
  if(T_QT)
    set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test)
    set(labels qt ${T_LABELS})
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
    set(labels qtfree ${T_LABELS})
  endif()
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${labels}" TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVAN_LOOPBACK_ONLY=1;KORVAN_BIN_DIR=${CMAKE_BINARY_DIR}/bin;KORVAN_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
