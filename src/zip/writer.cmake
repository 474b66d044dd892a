# The writer of the zip engine: the writer base with the run of Compress, TZip with its records
# and directories, the deflate workers, the temporary output and the span writer.
target_sources(riviza_zip PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoCompBase.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoCompScan.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoDeflatePool.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoDiskSpan.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoTempStreams.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoZipDirectory.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoZipEntry.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoZipLayout.cpp
)
