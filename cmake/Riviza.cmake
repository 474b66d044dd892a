# Shared build settings and helpers for every folder.

set(RIVIZA_WARNINGS -Wall -Wextra -Wno-unused-parameter)
if(RIVIZA_WERROR)
  list(APPEND RIVIZA_WARNINGS -Werror)
endif()

if(RIVIZA_SANITIZE OR RIVIZA_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
# A fuzzing build (clang) runs its targets under the sanitizers above and instruments every
# library for the fuzzer's coverage, so that the fuzzer sees the paths of the code a target
# tests and not only those of the target's own file (the sanitizer runtimes carry the hooks for
# the programs that are no fuzz targets).
if(RIVIZA_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Where the tests find the files made by others that they read: the project's own copy, so that a
# clone anywhere passes its tests (tests/data/SOURCES.md names each file's origin and licence).
set(RIVIZA_TESTDATA "${CMAKE_SOURCE_DIR}/tests/data")

# riviza_library(name SOURCES...) : a static library of our own with our warnings.
function(riviza_library name)
  add_library(${name} STATIC ${ARGN})
  target_compile_options(${name} PRIVATE ${RIVIZA_WARNINGS})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
endfunction()

# riviza_test(name LABEL label SOURCES ... LIBS ...) : one GoogleTest executable per folder,
# registered with CTest under the folder's label.
function(riviza_test name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/process_locale.cpp)
  target_compile_options(${name} PRIVATE ${RIVIZA_WARNINGS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} riviza_testsupport GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    RIVIZA_TESTDATA="${RIVIZA_TESTDATA}"
    RIVIZA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    RIVIZA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 900)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABEL}" TIMEOUT ${T_TIMEOUT}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

# riviza_fuzz_target(name SOURCES ... LIBS ... CORPUS dir LABEL label)
# With RIVIZA_FUZZ (clang) a libFuzzer binary; otherwise the same entry point linked with a small
# driver that replays every file of the corpus, registered as a CTest regression test.
function(riviza_fuzz_target name)
  cmake_parse_arguments(F "" "CORPUS;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/fuzz)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  if(RIVIZA_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz/replay_driver.cpp)
    add_test(NAME ${name}_corpus COMMAND ${name} ${F_CORPUS})
    set_tests_properties(${name}_corpus PROPERTIES LABELS "${F_LABEL}" TIMEOUT 600)
  endif()
endfunction()

# riviza_benchmark(name SOURCES ... LIBS ...)
function(riviza_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_compile_options(${name} PRIVATE ${RIVIZA_WARNINGS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/benchmarks)
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
