# The decoders of the zip engine: the inflate engine with its tables, the stream inflater
# (zlib's interface) and TDecompressStream, the frame-driven inflater for Deflate64, and the
# legacy decoders (unshrink, unreduce, explode) with their frame.
target_sources(riviza_zip PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoDecoderFrame.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoDecompressStream.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoExplode.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoInflate.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoInflate64.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoInflateEngine.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoInflateTables.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoUnreduce.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoUnshrink.cpp)
