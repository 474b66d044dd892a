# The engine's core: records, streams, checksums, ciphers, globals, disk manager, base services.
target_sources(riviza_zip PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoAES.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoAesBlock.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoAesEntryCrypt.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoAesHmac.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoAesKeyDerive.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoAesPrng.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoAesSha1.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoCrc.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoCrypt.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoDiskManager.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoErrors.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoGbls.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoRecords.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoStreams.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoStreamFilters.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoTrash.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoTypes.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoVolumes.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoZipCommon.cpp
)
