# The decoders of the zip engine: the inflate engine with its tables, the stream inflater
# (zlib's interface), the frame-driven inflater for Deflate64 and the legacy decoders.
target_sources(riviza_zip PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoInflateTables.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoInflateEngine.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoInflate.cpp)
