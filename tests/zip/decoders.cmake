# Tests of the zip decoders.
list(APPEND ZIP_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/decoders_inflate_test.cpp)
list(APPEND ZIP_TEST_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/decoders_support.cpp)
