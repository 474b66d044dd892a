# Tests of the zip reader: masks and the file scan, type detection, extraction, the shared test
# archives.
list(APPEND ZIP_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/reader_detect_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reader_extract_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reader_masks_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reader_testdata_test.cpp)
