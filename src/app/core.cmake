# Portable pieces of the application shell.
list(APPEND DORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hotkey_drain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/temp_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dpi_scale.cpp
)
