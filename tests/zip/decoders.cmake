# Tests of the zip decoders.
list(APPEND ZIP_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/decoders_deflate64_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/decoders_encoders.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/decoders_inflate_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/decoders_legacy_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/decoders_stream_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/decoders_support.cpp)
