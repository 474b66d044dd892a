# Tests of the zip writer: entries and names, the switches and the commit, the record
# decisions, spanned sets and the backup's call profile.
list(APPEND ZIP_TEST_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/writer_backup_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/writer_commit_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/writer_entries_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/writer_layout_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/writer_span_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/writer_support.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/writer_switch_test.cpp
)
