# Tests of the engine's core (records, streams, checksums, ciphers, globals, disk manager).
list(APPEND ZIP_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/core_base_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/core_checksum_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/core_crypto_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/core_globals_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/core_records_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/core_streams_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/core_test_support.cpp
)
