target_sources(riviza_zip PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/kvoPlaceholder.cpp)
