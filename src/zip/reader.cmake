# The reader of the zip engine: the components' shared root with archive-type detection, the
# masks and the file scan, and TUnZip with its volumes.
target_sources(riviza_zip PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoArcDetect.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoBase.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoExeResources.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoFileScan.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoregister.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoUnZip.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoUnZipEntry.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoUnZipVolumes.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/kvoVolumeStream.cpp
)
