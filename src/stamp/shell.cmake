# Win32 side of the timestamp hot key: typing the text into the program that
# has the keyboard focus, and the choice of format in Advanced Options.
list(APPEND DORVANE_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/stamp_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stamp_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stamp_relay.cpp
)
