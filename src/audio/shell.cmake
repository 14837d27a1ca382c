# Win32 side of Dorvane's own audio device: file sources, ACM decoding,
# waveOut output and the MCI-like command answers.
list(APPEND DORVANE_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/wav_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mp3_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mf_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mf_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/audio_device.cpp
)
