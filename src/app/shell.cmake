list(APPEND DORVANE_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/player_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_parts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_dpi.cpp
  ${CMAKE_CURRENT_LIST_DIR}/toolbar_images.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/single_instance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/held_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/system_library.cpp
)
