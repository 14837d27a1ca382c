# Win32 side of the timestamp hot key: typing the text into the program that
# has the keyboard focus.
list(APPEND DORVANE_SHELL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/stamp_input.cpp
)
