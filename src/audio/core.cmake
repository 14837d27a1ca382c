# Portable pieces of Dorvane's own audio device.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/byte_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wav_format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mp3_frames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/time_stretch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mf_media_type.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mf_formats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sound_chain.cpp
)
