# Win32 side of the settings: options files, hot keys and their dialog, the
# Advanced Options dialog, and the process-wide settings tables.
list(APPEND DORVANE_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/settings_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/options_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hotkeys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/advanced_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sound_options.cpp
)
